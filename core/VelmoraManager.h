// The sampler and hot-key manager: the last sampled colour, its texts, the
// three system-wide hot keys, the clipboard and the two outside addresses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Color.h"
#include "core/ColorFormats.h"
#include "core/HotKeyListenerClasses.h"
#include "platform/Platform.h"
#include "platform/Version.h"

namespace velmora {

// Where the two links lead. The home page is the CMake project's
// HOMEPAGE_URL (the packages name it too); the mail address is set here.
inline constexpr const char* kHomePageAddress = kProjectHomePage;
inline constexpr const char* kFeedbackMailAddress = "mailto:velmora@quorvane.com";

// Putting text on the clipboard is tried this many times, kClipboardRetryMs
// apart, because another program often holds it for a moment.
constexpr int kClipboardOpenAttempts = 6;
constexpr int kClipboardRetryMs = 10;

// The colour of the screen pixel under the pointer (kInvalidColor when that
// pixel cannot be read). Raises EOSError when the pointer position cannot be
// read.
TColor ReadScreenPixel();

class TVelmoraManager {
 public:
  // `owner` is the application's window (or none): the clipboard is filled
  // and the desktop asked on its behalf.
  explicit TVelmoraManager(IWindow* owner = nullptr) : FOwner(owner) {}
  TVelmoraManager(const TVelmoraManager&) = delete;
  TVelmoraManager& operator=(const TVelmoraManager&) = delete;

  TColor SampleColor();
  // The same, and `block`: the pixels `radius` around the pointer on every
  // side, from the same read of the screen where the platform can. With a
  // `sampleRadius` (at most `radius`) the colour is the mean of the square
  // that many pixels around the pointer, off-screen pixels left out.
  TColor SampleColor(int radius, PixelBlock& block, int sampleRadius = 0);
  TColor Color() const { return FColor; }
  // Where the last colour was sampled, in screen (device) pixels.
  Point Position() const { return FPosition; }
  std::string GetHexText() const { return HexText(FColor); }
  std::string GetRedText() const { return RedText(FColor); }
  std::string GetGreenText() const { return GreenText(FColor); }
  std::string GetBlueText() const { return BlueText(FColor); }

  // Registers Alt+D, Alt+H and Alt+S with `window`, in that order; a key
  // another program holds stays unregistered without a word.
  void RegisterHotKeys(IWindow& window);
  // Also gives up Alt+Z and Alt+C when they are registered.
  void UnregisterHotKeys(IWindow& window);
  // Registers Alt+Z or Alt+C with `window` (`on`) or gives it up. True when
  // the key is registered afterwards (false: off, or another program has it).
  bool SetOptionalHotKey(IWindow& window, HotKey key, bool on);
  bool OptionalHotKeyRegistered(HotKey key) const { return OptionalKey(key).registered; }
  // The format Alt+C copies the colour in.
  void SetExtraFormat(ColorFormat format) { FExtraFormat = format; }
  ColorFormat ExtraFormat() const { return FExtraFormat; }
  void HandleHotKey(std::int32_t id);
  void CopyToClipboard(const std::string& text);
  void SetListener(IHotKeyListener* listener) { FListener = listener; }
  void OpenHomePage();
  void OpenFeedbackMail();

  std::int32_t HotKeyDec() const { return FHotKeyDec; }
  std::int32_t HotKeyHex() const { return FHotKeyHex; }
  std::int32_t HotKeySave() const { return FHotKeySave; }

 private:
  // Keeps a reading's colour and position; returns the colour.
  TColor Keep(const PixelReading& reading);
  // The monitors, as the averaging needs them around `area`: asked of the
  // platform afresh where `area` is not inside one monitor known, and every
  // kMonitorsTicks samples; the list kept between.
  const std::vector<Rect>& MonitorsAround(const Rect& area);
  const HotKeyRegistration& OptionalKey(HotKey key) const {
    return key == HotKey::AltZ ? FHotKeyMagnifier : FHotKeyCopyExtra;
  }

  HotKeyRegistration FHotKeyMagnifier;  // Alt+Z, while the user has it on
  HotKeyRegistration FHotKeyCopyExtra;  // Alt+C, likewise
  ColorFormat FExtraFormat = kDefaultExtraFormat;
  Point FPosition;
  std::int32_t FHotKeyDec = 0;
  std::int32_t FHotKeyHex = 0;
  std::int32_t FHotKeySave = 0;
  TColor FColor = 0;
  std::vector<Rect> FMonitors;           // the last list asked of the platform
  int FMonitorsAge = 0;                  // samples since
  IHotKeyListener* FListener = nullptr;  // not owned: the window outlives the manager
  IWindow* FOwner = nullptr;             // not owned
};

// The one manager, owned by the main window from its creation to its destruction.
extern std::unique_ptr<TVelmoraManager> ManagerInstance;

}  // namespace velmora
