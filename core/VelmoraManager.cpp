#include "core/VelmoraManager.h"

#include "core/Errors.h"
#include "core/SampleAverage.h"

namespace velmora {

std::unique_ptr<TVelmoraManager> ManagerInstance;

namespace {

// The reading itself (a temporary lives to the end of the caller's expression).
const PixelReading& Checked(const PixelReading& reading) {
  if (!reading.ok) {
    throw EOSError(reading.error);
  }
  return reading;
}

}  // namespace

TColor ReadScreenPixel() {
  return Checked(Platform().ReadPixelUnderPointer()).color;
}

TColor TVelmoraManager::SampleColor() {
  return Keep(Checked(Platform().ReadPixelUnderPointer()));
}

TColor TVelmoraManager::SampleColor(int radius, PixelBlock& block, int sampleRadius) {
  PixelReading reading = Checked(Platform().ReadPixelAndBlockUnderPointer(radius, block));
  if (sampleRadius > 0 && reading.color != kInvalidColor) {
    reading.color = AverageColor(block, reading.position, sampleRadius,
                                 MonitorsAround(BlockAround(reading.position, sampleRadius)));
  }
  return Keep(reading);
}

const std::vector<Rect>& TVelmoraManager::MonitorsAround(const Rect& area) {
  // NOTE: the list rarely changes, and asking for it on every tick would
  // enumerate the monitors ten times a second.
  constexpr int kMonitorsTicks = 10;
  bool inside = false;
  for (const Rect& monitor : FMonitors) inside = inside || monitor.Intersect(area) == area;
  if (!inside || ++FMonitorsAge >= kMonitorsTicks) {
    FMonitors = Platform().Monitors();
    FMonitorsAge = 0;
  }
  return FMonitors;
}

TColor TVelmoraManager::Keep(const PixelReading& reading) {
  FColor = reading.color;
  FPosition = reading.position;
  return FColor;
}

void TVelmoraManager::RegisterHotKeys(IWindow& window) {
  FHotKeyDec = window.BindHotKey(HotKey::AltD).id;
  FHotKeyHex = window.BindHotKey(HotKey::AltH).id;
  FHotKeySave = window.BindHotKey(HotKey::AltS).id;
}

void TVelmoraManager::UnregisterHotKeys(IWindow& window) {
  for (const std::int32_t id : {FHotKeyDec, FHotKeyHex, FHotKeySave}) window.UnbindHotKey(id);
  SetOptionalHotKey(window, HotKey::AltZ, false);
  SetOptionalHotKey(window, HotKey::AltC, false);
}

bool TVelmoraManager::SetOptionalHotKey(IWindow& window, HotKey key, bool on) {
  HotKeyRegistration& registration = key == HotKey::AltZ ? FHotKeyMagnifier : FHotKeyCopyExtra;
  if (registration.registered == on) return on;
  if (on) {
    registration = window.BindHotKey(key);
    // NOTE: a key another program holds is still given an identifier (and,
    // on Windows, an atom reference): give it back at once.
    if (!registration.registered) window.UnbindHotKey(registration.id);
  } else {
    window.UnbindHotKey(registration.id);
    registration.registered = false;
  }
  return registration.registered;
}

void TVelmoraManager::HandleHotKey(std::int32_t id) {
  if (id == FHotKeyHex) {
    CopyToClipboard(GetHexText());
  } else if (id == FHotKeyDec) {
    CopyToClipboard(DecimalTriple(FColor));
  } else if (id == FHotKeySave) {
    if (FListener != nullptr) FListener->SaveColorToColorBox();
  } else if (FHotKeyCopyExtra.registered && id == FHotKeyCopyExtra.id) {
    CopyToClipboard(FormatColor(FExtraFormat, FColor));
  } else if (FHotKeyMagnifier.registered && id == FHotKeyMagnifier.id) {
    if (FListener != nullptr) FListener->ToggleMagnifier();
  }
}

void TVelmoraManager::CopyToClipboard(const std::string& text) {
  // When the clipboard stays busy, the user's old content stays too.
  for (int attempt = 1;; ++attempt) {
    switch (Platform().SetClipboardText(FOwner, text)) {
      case ClipboardResult::Ok:
        return;
      case ClipboardResult::Refused:
        throw EVelmoraError("Cannot copy to clipboard");
      case ClipboardResult::Busy:
        break;
    }
    if (attempt == kClipboardOpenAttempts) throw EVelmoraError("Cannot open clipboard");
    Platform().Pause(kClipboardRetryMs);
  }
}

void TVelmoraManager::OpenHomePage() {
  Platform().OpenAddress(FOwner, kHomePageAddress);
}

void TVelmoraManager::OpenFeedbackMail() {
  Platform().OpenAddress(FOwner, kFeedbackMailAddress);
}

}  // namespace velmora
