// The sampled colour in the formats people paste elsewhere: CSS, HSV, CMYK,
// shader floats, Windows/Delphi colour constants, the perceptual spaces
// (core/ColorSpaces.h) and the nearest CSS colour name. Every conversion but
// the perceptual ones is exact arithmetic on the 8-bit channels, rounded
// half up at the end.
#pragma once

#include <string>

#include "core/Color.h"

namespace velmora {

// The formats "Copy as" offers, in the menu's order.
enum class ColorFormat {
  HexLower,
  Rgb,
  Hsl,
  Hsv,
  Cmyk,
  Floats,
  ColorRef,
  Delphi,
  Oklch,
  Oklab,
  Lab,
  Name
};

inline constexpr ColorFormat kAllColorFormats[] = {
    ColorFormat::HexLower, ColorFormat::Rgb,    ColorFormat::Hsl,      ColorFormat::Hsv,
    ColorFormat::Cmyk,     ColorFormat::Floats, ColorFormat::ColorRef, ColorFormat::Delphi,
    ColorFormat::Oklch,    ColorFormat::Oklab,  ColorFormat::Lab,      ColorFormat::Name};

// The format Alt+C copies until the user picks another.
inline constexpr ColorFormat kDefaultExtraFormat = ColorFormat::HexLower;

// "#4169e1".
std::string HexLowerText(TColor c);
// "rgb(65, 105, 225)".
std::string RgbText(TColor c);
// "hsl(225, 73%, 57%)": hue in whole degrees (0-359), saturation and lightness
// in whole percent.
std::string HslText(TColor c);
// "hsv(225, 71%, 88%)".
std::string HsvText(TColor c);
// "cmyk(71%, 53%, 0%, 12%)"; black is cmyk(0%, 0%, 0%, 100%).
std::string CmykText(TColor c);
// "(0.255, 0.412, 0.882)": each channel over 255, three decimals.
std::string FloatsText(TColor c);
// "0x00E16941": the Win32 COLORREF, blue first.
std::string ColorRefText(TColor c);
// "$00E16941": the same value as a Delphi TColor constant.
std::string DelphiText(TColor c);

// The colour in `format`.
std::string FormatColor(ColorFormat format, TColor c);

// The format's name in the menu, e.g. "hsl(h, s%, l%)".
std::string ColorFormatLabel(ColorFormat format);
// The format's name in the configuration file, e.g. "hsl".
std::string ColorFormatKey(ColorFormat format);
// The format with that configuration name (compared without case); false
// and `format` untouched for any other text.
bool ColorFormatFromKey(const std::string& key, ColorFormat& format);

}  // namespace velmora
