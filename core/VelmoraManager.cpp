#include "core/VelmoraManager.h"

#include "core/Errors.h"

namespace velmora {

std::unique_ptr<TVelmoraManager> ManagerInstance;

TColor ReadScreenPixel() {
  const PixelReading reading = Platform().ReadPixelUnderPointer();
  if (!reading.ok) {
    throw EOSError(reading.error);
  }
  return reading.color;
}

TColor TVelmoraManager::SampleColor() {
  FColor = ReadScreenPixel();
  return FColor;
}

void TVelmoraManager::RegisterHotKeys(IWindow& window) {
  FHotKeyDec = window.BindHotKey(HotKey::AltD).id;
  FHotKeyHex = window.BindHotKey(HotKey::AltH).id;
  FHotKeySave = window.BindHotKey(HotKey::AltS).id;
}

void TVelmoraManager::UnregisterHotKeys(IWindow& window) {
  for (const std::int32_t id : {FHotKeyDec, FHotKeyHex, FHotKeySave}) window.UnbindHotKey(id);
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

void TVelmoraManager::OpenHomePage() { Platform().OpenAddress(FOwner, kHomePageAddress); }

void TVelmoraManager::OpenFeedbackMail() { Platform().OpenAddress(FOwner, kFeedbackMailAddress); }

}  // namespace velmora
