#include "config/OptionsStore.h"

#include "config/IniFileUtils.h"

namespace velmora {

namespace {

constexpr const char* kExtraFormatKey = "ExtraFormat";
constexpr const char* kMagnifierKey = "Magnifier";
constexpr const char* kZoomKey = "Zoom";
constexpr const char* kAltZKey = "HotKeyAltZ";
constexpr const char* kAltCKey = "HotKeyAltC";
constexpr const char* kSampleKey = "Sample";
constexpr const char* kColorNameKey = "ColorName";

// "0" or "1" (blanks around allowed); anything else leaves `value` alone.
void ReadFlag(const std::string& text, bool& value) {
  std::int32_t number = 0;
  if (TryStrToInt(text, number) && (number == 0 || number == 1)) value = number == 1;
}

std::string FlagText(bool value) {
  return value ? "1" : "0";
}

}  // namespace

TOptions ParseOptions(const std::function<std::string(const std::string&)>& valueOf) {
  TOptions options;
  ColorFormat format = options.ExtraFormat;
  if (ColorFormatFromKey(valueOf(kExtraFormatKey), format)) options.ExtraFormat = format;
  ReadFlag(valueOf(kMagnifierKey), options.Magnifier);
  std::int32_t zoom = 0;
  if (TryStrToInt(valueOf(kZoomKey), zoom) && zoom >= kMinZoom && zoom <= kMaxZoom) {
    options.Zoom = zoom;
  }
  ReadFlag(valueOf(kAltZKey), options.HotKeyAltZ);
  ReadFlag(valueOf(kAltCKey), options.HotKeyAltC);
  ReadFlag(valueOf(kColorNameKey), options.ColorName);
  std::int32_t sample = 0;
  if (TryStrToInt(valueOf(kSampleKey), sample)) {
    for (const int size : kSampleSizes) {
      if (size == sample) options.Sample = size;
    }
  }
  return options;
}

std::vector<std::pair<std::string, std::string>> OptionEntries(const TOptions& options) {
  return {{kExtraFormatKey, ColorFormatKey(options.ExtraFormat)},
          {kMagnifierKey, FlagText(options.Magnifier)},
          {kZoomKey, std::to_string(options.Zoom)},
          {kAltZKey, FlagText(options.HotKeyAltZ)},
          {kAltCKey, FlagText(options.HotKeyAltC)},
          {kSampleKey, std::to_string(options.Sample)},
          {kColorNameKey, FlagText(options.ColorName)}};
}

TOptions LoadOptions() {
  const std::vector<std::string> keys = {kExtraFormatKey, kMagnifierKey, kZoomKey,     kAltZKey,
                                         kAltCKey,        kSampleKey,    kColorNameKey};
  const std::vector<std::string> values =
      TIniFile(GetConfigFileName()).ReadStrings(kOptionsSection, keys);
  return ParseOptions([&](const std::string& key) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == key) return values[i];
    }
    return std::string();
  });
}

void StoreOptions(const TOptions& options) {
  TIniFile(GetConfigFileName()).WriteStrings(kOptionsSection, OptionEntries(options));
}

}  // namespace velmora
