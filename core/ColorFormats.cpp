#include "core/ColorFormats.h"

#include <cctype>

#include "core/ColorNames.h"
#include "core/ColorSpaces.h"

namespace velmora {

namespace {

// n / d rounded half up, for n >= 0 and d > 0.
unsigned RoundDiv(unsigned n, unsigned d) {
  return (2 * n + d) / (2 * d);
}

// "n%".
std::string Percent(unsigned n, unsigned d) {
  return std::to_string(RoundDiv(100 * n, d)) + "%";
}

struct Channels {
  unsigned r, g, b, max, min;
};

Channels Split(TColor c) {
  Channels ch{RedOf(c), GreenOf(c), BlueOf(c), 0, 0};
  ch.max = ch.r > ch.g ? ch.r : ch.g;
  if (ch.b > ch.max) ch.max = ch.b;
  ch.min = ch.r < ch.g ? ch.r : ch.g;
  if (ch.b < ch.min) ch.min = ch.b;
  return ch;
}

// The hue in whole degrees, 0 for greys; 359.5 and above round to 0.
unsigned Hue(const Channels& ch) {
  const int d = static_cast<int>(ch.max - ch.min);
  if (d == 0) return 0;
  const int r = static_cast<int>(ch.r), g = static_cast<int>(ch.g), b = static_cast<int>(ch.b);
  // The hue is n / d degrees.
  int n;
  if (ch.max == ch.r) {
    n = 60 * (g - b);
    if (n < 0) n += 360 * d;
  } else if (ch.max == ch.g) {
    n = 60 * (b - r) + 120 * d;
  } else {
    n = 60 * (r - g) + 240 * d;
  }
  const unsigned hue = RoundDiv(static_cast<unsigned>(n), static_cast<unsigned>(d));
  return hue >= 360 ? hue - 360 : hue;
}

std::string HexDigits(unsigned value, int digits, const char* alphabet) {
  std::string text(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4)
    text[static_cast<size_t>(i)] = alphabet[value & 0xF];
  return text;
}

// "0.255" for 65.
std::string Fraction(unsigned channel) {
  const unsigned thousandths = RoundDiv(1000 * channel, 255);
  std::string decimals = std::to_string(thousandths % 1000);
  decimals.insert(0, 3 - decimals.size(), '0');
  return std::to_string(thousandths / 1000) + "." + decimals;
}

struct FormatNames {
  ColorFormat format;
  const char* key;
  const char* label;
};

constexpr FormatNames kNames[] = {
    {ColorFormat::HexLower, "hex", "#rrggbb"},
    {ColorFormat::Rgb, "rgb", "rgb(r, g, b)"},
    {ColorFormat::Hsl, "hsl", "hsl(h, s%, l%)"},
    {ColorFormat::Hsv, "hsv", "hsv(h, s%, v%)"},
    {ColorFormat::Cmyk, "cmyk", "cmyk(c%, m%, y%, k%)"},
    {ColorFormat::Floats, "float", "(r, g, b) as 0.0 to 1.0"},
    {ColorFormat::ColorRef, "colorref", "0x00BBGGRR (COLORREF)"},
    {ColorFormat::Delphi, "delphi", "$00BBGGRR (Delphi)"},
    {ColorFormat::Oklch, "oklch", "oklch(L% C H)"},
    {ColorFormat::Oklab, "oklab", "oklab(L% a b)"},
    {ColorFormat::Lab, "lab", "lab(L% a b) (CIE, D50)"},
    {ColorFormat::Name, "name", "nearest CSS colour name"},
};

const FormatNames& NamesOf(ColorFormat format) {
  for (const FormatNames& n : kNames) {
    if (n.format == format) return n;
  }
  return kNames[0];
}

}  // namespace

std::string HexLowerText(TColor c) {
  const Channels ch = Split(c);
  return "#" + HexDigits((ch.r << 16) | (ch.g << 8) | ch.b, 6, "0123456789abcdef");
}

std::string RgbText(TColor c) {
  return "rgb(" + DecimalTriple(c) + ")";
}

std::string HslText(TColor c) {
  const Channels ch = Split(c);
  const unsigned d = ch.max - ch.min;
  const unsigned sum = ch.max + ch.min;  // lightness is sum / 510
  // Saturation is d / (1 - |2L - 1|), which is d / sum or d / (510 - sum).
  const std::string saturation = d == 0 ? "0%" : Percent(d, sum <= 255 ? sum : 510 - sum);
  return "hsl(" + std::to_string(Hue(ch)) + ", " + saturation + ", " + Percent(sum, 510) + ")";
}

std::string HsvText(TColor c) {
  const Channels ch = Split(c);
  const std::string saturation = ch.max == 0 ? "0%" : Percent(ch.max - ch.min, ch.max);
  return "hsv(" + std::to_string(Hue(ch)) + ", " + saturation + ", " + Percent(ch.max, 255) + ")";
}

std::string CmykText(TColor c) {
  const Channels ch = Split(c);
  if (ch.max == 0) return "cmyk(0%, 0%, 0%, 100%)";
  // With K = 1 - max/255, C = (1 - r/255 - K) / (1 - K) = (max - r) / max.
  return "cmyk(" + Percent(ch.max - ch.r, ch.max) + ", " + Percent(ch.max - ch.g, ch.max) + ", " +
         Percent(ch.max - ch.b, ch.max) + ", " + Percent(255 - ch.max, 255) + ")";
}

std::string FloatsText(TColor c) {
  const Channels ch = Split(c);
  return "(" + Fraction(ch.r) + ", " + Fraction(ch.g) + ", " + Fraction(ch.b) + ")";
}

std::string ColorRefText(TColor c) {
  return "0x" + HexDigits(static_cast<std::uint32_t>(c) & 0x00FFFFFFu, 8, "0123456789ABCDEF");
}

std::string DelphiText(TColor c) {
  return "$" + HexDigits(static_cast<std::uint32_t>(c) & 0x00FFFFFFu, 8, "0123456789ABCDEF");
}

std::string FormatColor(ColorFormat format, TColor c) {
  switch (format) {
    case ColorFormat::HexLower:
      return HexLowerText(c);
    case ColorFormat::Rgb:
      return RgbText(c);
    case ColorFormat::Hsl:
      return HslText(c);
    case ColorFormat::Hsv:
      return HsvText(c);
    case ColorFormat::Cmyk:
      return CmykText(c);
    case ColorFormat::Floats:
      return FloatsText(c);
    case ColorFormat::ColorRef:
      return ColorRefText(c);
    case ColorFormat::Delphi:
      return DelphiText(c);
    case ColorFormat::Oklch:
      return OklchText(c);
    case ColorFormat::Oklab:
      return OklabText(c);
    case ColorFormat::Lab:
      return LabText(c);
    case ColorFormat::Name:
      return ColorNameText(c);
  }
  return HexLowerText(c);
}

std::string ColorFormatLabel(ColorFormat format) {
  return NamesOf(format).label;
}
std::string ColorFormatKey(ColorFormat format) {
  return NamesOf(format).key;
}

bool ColorFormatFromKey(const std::string& key, ColorFormat& format) {
  for (const FormatNames& n : kNames) {
    const std::string name = n.key;
    if (name.size() != key.size()) continue;
    bool same = true;
    for (size_t i = 0; i < key.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(key[i])) == name[i];
    }
    if (same) {
      format = n.format;
      return true;
    }
  }
  return false;
}

}  // namespace velmora
