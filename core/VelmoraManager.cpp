#include "core/VelmoraManager.h"

#include "core/Errors.h"

namespace velmora {

std::unique_ptr<TVelmoraManager> ManagerInstance;

namespace {

// Holds the screen device context for one sample and releases it on every path.
class ScopedScreenDC {
 public:
  ScopedScreenDC() : dc_(Platform().GetScreenDC()) {}
  ~ScopedScreenDC() {
    if (dc_ != 0) Platform().ReleaseScreenDC(dc_);
  }
  ScopedScreenDC(const ScopedScreenDC&) = delete;
  ScopedScreenDC& operator=(const ScopedScreenDC&) = delete;
  ScreenDCHandle Get() const { return dc_; }

 private:
  ScreenDCHandle dc_;
};

// The platform's description without trailing blanks, line breaks and full stops.
std::string TrimDescription(std::string text) {
  while (!text.empty()) {
    const char c = text.back();
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '.') break;
    text.pop_back();
  }
  return text;
}

[[noreturn]] void RaiseLastOSError() {
  const int code = Platform().LastErrorCode();
  const std::string description = TrimDescription(Platform().ErrorDescription(code));
  throw EOSError(code, "System Error.  Code: " + std::to_string(code) + ".\r\n" + description);
}

// Holds the open clipboard and closes it on every path.
class ScopedClipboard {
 public:
  ScopedClipboard() = default;
  ~ScopedClipboard() {
    if (open_) Platform().CloseClipboard();
  }
  ScopedClipboard(const ScopedClipboard&) = delete;
  ScopedClipboard& operator=(const ScopedClipboard&) = delete;
  void MarkOpen() { open_ = true; }

 private:
  bool open_ = false;
};

// Alt+D, Alt+H, Alt+S, in registration order: the identifier is the atom
// value less the offset.
constexpr int kAtomOffsets[3] = {0xC000, 0xC001, 0xC002};
constexpr unsigned kHotKeyKeys[3] = {kVkD, kVkH, kVkS};

}  // namespace

TColor ReadScreenPixel() {
  ScopedScreenDC dc;
  Point p;
  if (!Platform().GetPointerPos(p)) RaiseLastOSError();
  return Platform().GetPixel(dc.Get(), p);
}

TColor TVelmoraManager::SampleColor() {
  FColor = ReadScreenPixel();
  return FColor;
}

void TVelmoraManager::RegisterHotKeys(WindowHandle window) {
  // Each adds a reference to the same atom; registration may fail silently.
  std::int32_t* const ids[3] = {&FHotKeyDec, &FHotKeyHex, &FHotKeySave};
  for (int i = 0; i < 3; ++i) {
    *ids[i] = Platform().AddGlobalAtom(kHotKeyAtomName) - kAtomOffsets[i];
    Platform().RegisterHotKey(window, *ids[i], kModAlt, kHotKeyKeys[i]);
  }
}

void TVelmoraManager::UnregisterHotKeys(WindowHandle window) {
  const std::int32_t ids[3] = {FHotKeyDec, FHotKeyHex, FHotKeySave};
  for (int i = 0; i < 3; ++i) {
    Platform().UnregisterHotKey(window, ids[i]);
    Platform().DeleteGlobalAtom(static_cast<std::uint16_t>(ids[i] + kAtomOffsets[i]));
  }
}

void TVelmoraManager::HandleHotKey(std::int32_t id) {
  if (id == FHotKeyHex) {
    CopyToClipboard(GetHexText());
  } else if (id == FHotKeyDec) {
    CopyToClipboard(DecimalTriple(FColor));
  } else if (id == FHotKeySave) {
    if (FListener != nullptr) FListener->SaveColorToColorBox();
  }
}

bool TVelmoraManager::OpenClipboardWithRetry() {
  for (int attempt = 1;; ++attempt) {
    if (Platform().OpenClipboard(FOwner)) return true;
    if (attempt == kClipboardOpenAttempts) return false;
    Platform().Sleep(kClipboardRetryMs);
  }
}

void TVelmoraManager::CopyToClipboard(const std::string& text) {
  // One pass: when the clipboard cannot be opened, the user's old content stays.
  ScopedClipboard clipboard;
  if (!OpenClipboardWithRetry()) throw EVelmoraError("Cannot open clipboard");
  clipboard.MarkOpen();
  Platform().EmptyClipboard();
  if (!Platform().SetClipboardText(text)) throw EVelmoraError("Cannot copy to clipboard");
}

void TVelmoraManager::OpenHomePage() { Platform().ShellOpen(FOwner, kHomePageAddress); }

void TVelmoraManager::OpenFeedbackMail() { Platform().ShellOpen(FOwner, kFeedbackMailAddress); }

}  // namespace velmora
