// Screen, clipboard, desktop requests and dialogs of the null platform.
#include "platform/null/NullPlatform.h"

#include <algorithm>

namespace velmora {

NullPlatform::NullPlatform() { SetPlatform(this); }

NullPlatform::~NullPlatform() { SetPlatform(nullptr); }

PixelReading NullPlatform::ReadPixelUnderPointer() {
  ++pixelReads;
  PixelReading reading;
  if (!pointerReadable) {
    reading.error = pointerError;
    return reading;
  }
  reading.ok = true;
  reading.position = pointer;
  const bool onMonitor =
      screen.Contains(pointer) ||
      std::any_of(otherMonitors.begin(), otherMonitors.end(),
                  [this](const Rect& monitor) { return monitor.Contains(pointer); });
  if (!pixelsReadable || !onMonitor) {
    reading.color = kInvalidColor;
  } else {
    auto it = screenPixels.find({pointer.x, pointer.y});
    reading.color = it == screenPixels.end() ? screenFill : it->second;
  }
  return reading;
}

ClipboardResult NullPlatform::SetClipboardText(IWindow* owner, const std::string& text) {
  ++clipboardAttempts;
  if (clipboardHeldElsewhere) return ClipboardResult::Busy;
  if (clipboardBusyAttempts > 0) {
    --clipboardBusyAttempts;
    return ClipboardResult::Busy;
  }
  // Emptied first, as the clipboard is before it takes new content.
  clipboardText.clear();
  clipboardHasOtherFormat = false;
  clipboardOwner = owner;
  if (clipboardRefusesData) return ClipboardResult::Refused;
  clipboardText = text;
  return ClipboardResult::Ok;
}

void NullPlatform::OpenAddress(IWindow*, const std::string& address) {
  shellRequests.push_back(address);
}

bool NullPlatform::SetStartAtLogin(bool on) {
  if (startAtLoginLocked) return false;
  startsAtLogin = on;
  return true;
}

bool NullPlatform::PickColor(IWindow*, TColor& color) {
  chooserShown.push_back(color);
  if (!chooserConfirms) return false;
  color = chooserPick;
  return true;
}

void NullPlatform::ShowErrorBox(IWindow*, const std::string& caption, const std::string& text) {
  errorBoxes.push_back(MessageBox{caption, text});
  if (whileErrorBoxOpen) whileErrorBoxOpen();
}

void NullPlatform::CancelPointerCapture() {
  if (!pointerCaptured) return;
  pointerCaptured = false;
  ++captureCancels;
}

TColor NullPlatform::SystemColorValue(SystemColor color) {
  switch (color) {
    case SystemColor::WindowText:
      break;
  }
  return systemWindowText;
}

}  // namespace velmora
