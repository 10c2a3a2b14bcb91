// Screen, errors, atoms, hot keys, clipboard, shell and dialogs of the null platform.
#include "platform/null/NullPlatform.h"

namespace velmora {

NullPlatform::NullPlatform() {
  errorDescriptions[5] = "Access is denied.\r\n";
  SetPlatform(this);
}

NullPlatform::~NullPlatform() { SetPlatform(nullptr); }

ScreenDCHandle NullPlatform::GetScreenDC() {
  if (!screenDCAvailable) return 0;
  ++screenDCsOut;
  ++screenDCsTaken;
  return 0xDC;
}

void NullPlatform::ReleaseScreenDC(ScreenDCHandle dc) {
  if (dc == 0xDC) --screenDCsOut;
}

bool NullPlatform::GetPointerPos(Point& p) {
  if (!pointerReadable) {
    lastError_ = pointerErrorCode;
    return false;
  }
  p = pointer;
  return true;
}

TColor NullPlatform::GetPixel(ScreenDCHandle dc, Point p) {
  if (dc == 0) return kInvalidColor;
  if (p.x < 0 || p.y < 0 || p.x >= screenSize.width || p.y >= screenSize.height) {
    return kInvalidColor;
  }
  auto it = screenPixels.find({p.x, p.y});
  return it == screenPixels.end() ? screenFill : it->second;
}

std::string NullPlatform::ErrorDescription(int code) {
  auto it = errorDescriptions.find(code);
  return it == errorDescriptions.end() ? std::string() : it->second;
}

std::uint16_t NullPlatform::AddGlobalAtom(const std::string& name) {
  auto it = atomNames.find(name);
  std::uint16_t atom;
  if (it == atomNames.end() || atomRefs[it->second] == 0) {
    atom = it == atomNames.end() ? nextAtom++ : it->second;
    atomNames[name] = atom;
  } else {
    atom = it->second;
  }
  ++atomRefs[atom];
  return atom;
}

void NullPlatform::DeleteGlobalAtom(std::uint16_t atom) {
  auto it = atomRefs.find(atom);
  if (it != atomRefs.end() && it->second > 0) --it->second;
}

bool NullPlatform::RegisterHotKey(WindowHandle w, int id, unsigned modifiers, unsigned vk) {
  if (hotKeysHeldElsewhere.count({modifiers, vk}) != 0) return false;
  for (const auto& entry : hotKeys) {
    if (entry.second.modifiers == modifiers && entry.second.vk == vk) return false;
  }
  if (hotKeys.count(id) != 0) return false;
  hotKeys[id] = HotKey{w, modifiers, vk};
  return true;
}

bool NullPlatform::UnregisterHotKey(WindowHandle w, int id) {
  auto it = hotKeys.find(id);
  if (it == hotKeys.end() || it->second.window != w) return false;
  hotKeys.erase(it);
  return true;
}

bool NullPlatform::OpenClipboard(WindowHandle) {
  if (clipboardOpen) return false;
  if (clipboardBusyAttempts > 0) {
    --clipboardBusyAttempts;
    return false;
  }
  clipboardOpen = true;
  ++clipboardOpens;
  return true;
}

bool NullPlatform::EmptyClipboard() {
  if (!clipboardOpen) return false;
  clipboardText.clear();
  clipboardHasOtherFormat = false;
  return true;
}

bool NullPlatform::SetClipboardText(const std::string& text) {
  if (!clipboardOpen || clipboardRefusesData) return false;
  clipboardText = text;
  return true;
}

void NullPlatform::CloseClipboard() { clipboardOpen = false; }

void NullPlatform::ShellOpen(WindowHandle, const std::string& address) {
  shellRequests.push_back(address);
}

bool NullPlatform::ChooseColor(WindowHandle, TColor& color) {
  chooserShown.push_back(color);
  if (!chooserConfirms) return false;
  color = chooserPick;
  return true;
}

void NullPlatform::ShowErrorBox(WindowHandle, const std::string& caption,
                                const std::string& text) {
  errorBoxes.push_back(MessageBox{caption, text});
  if (whileErrorBoxOpen) whileErrorBoxOpen();
}

void NullPlatform::CancelMode(WindowHandle w) {
  cancelModeSent.push_back(w);
  if (captureWindow == w) captureWindow = 0;
}

}  // namespace velmora
