// The settings beyond the colour box, in their own section "Options" of
// Config.ini (an older Velmora ignores it). Nothing is written there until
// the user changes a setting, so with no settings changed the file stays as
// it was.
//
//   [Options]
//   ExtraFormat=hsl     the format Alt+C copies (ColorFormatKey)
//   Magnifier=1         the magnifier is shown (0 or 1)
//   Zoom=8              the magnifier's enlargement (2 to 16)
//   HotKeyAltZ=1        Alt+Z toggles the magnifier (0 or 1)
//   HotKeyAltC=1        Alt+C copies in the extra format (0 or 1)
//   Sample=3            the strip's colour is the mean of a square this
//                       many pixels a side (1, 3 or 5)
//   ColorName=1         the swatch's tooltip names the colour (0 or 1)
//
// A missing, damaged or unknown value reads as its default, without a word.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/ColorFormats.h"
#include "core/SampleAverage.h"

namespace velmora {

inline constexpr const char* kOptionsSection = "Options";
constexpr int kDefaultZoom = 8;
constexpr int kMinZoom = 2;
constexpr int kMaxZoom = 16;

struct TOptions {
  ColorFormat ExtraFormat = kDefaultExtraFormat;
  bool Magnifier = false;
  int Zoom = kDefaultZoom;
  bool HotKeyAltZ = false;
  bool HotKeyAltC = false;
  bool ColorName = false;
  int Sample = kDefaultSampleSize;

  bool operator==(const TOptions& o) const {
    return ExtraFormat == o.ExtraFormat && Magnifier == o.Magnifier && Zoom == o.Zoom &&
           HotKeyAltZ == o.HotKeyAltZ && HotKeyAltC == o.HotKeyAltC && Sample == o.Sample &&
           ColorName == o.ColorName;
  }
  bool operator!=(const TOptions& o) const { return !(*this == o); }
};

// The options from the values of the section's keys (`valueOf` gives the
// value text of a key, empty when missing).
TOptions ParseOptions(const std::function<std::string(const std::string&)>& valueOf);
// The section's keys and values for `options`, in the file's order.
std::vector<std::pair<std::string, std::string>> OptionEntries(const TOptions& options);

// The options from the configuration file; the defaults when it has none.
TOptions LoadOptions();
// Writes every option into the configuration file, in one replacement of it.
// Raises EVelmoraError "Unable to write to <file name>" when it cannot be
// written (the file then stays as it was).
void StoreOptions(const TOptions& options);

}  // namespace velmora
