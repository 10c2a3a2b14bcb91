#include <gtest/gtest.h>

#include "core/ColorFormats.h"

namespace velmora {
namespace {

struct FormatCase {
  unsigned r, g, b;
  const char* hex;
  const char* hsl;
  const char* hsv;
  const char* cmyk;
  const char* floats;
  const char* colorRef;
};

// Expected texts worked out by hand with exact fractions, rounded half up.
TEST(ColorFormats, TableOfKnownValues) {
  const FormatCase cases[] = {
      // Royal blue, the strip's own background.
      {65, 105, 225, "#4169e1", "hsl(225, 73%, 57%)", "hsv(225, 71%, 88%)",
       "cmyk(71%, 53%, 0%, 12%)", "(0.255, 0.412, 0.882)", "0x00E16941"},
      // Primaries and secondaries (CSS Color 4: hsl(0 100% 50%) is red, ...).
      {255, 0, 0, "#ff0000", "hsl(0, 100%, 50%)", "hsv(0, 100%, 100%)", "cmyk(0%, 100%, 100%, 0%)",
       "(1.000, 0.000, 0.000)", "0x000000FF"},
      {0, 255, 0, "#00ff00", "hsl(120, 100%, 50%)", "hsv(120, 100%, 100%)",
       "cmyk(100%, 0%, 100%, 0%)", "(0.000, 1.000, 0.000)", "0x0000FF00"},
      {0, 0, 255, "#0000ff", "hsl(240, 100%, 50%)", "hsv(240, 100%, 100%)",
       "cmyk(100%, 100%, 0%, 0%)", "(0.000, 0.000, 1.000)", "0x00FF0000"},
      {255, 255, 0, "#ffff00", "hsl(60, 100%, 50%)", "hsv(60, 100%, 100%)",
       "cmyk(0%, 0%, 100%, 0%)", "(1.000, 1.000, 0.000)", "0x0000FFFF"},
      {0, 255, 255, "#00ffff", "hsl(180, 100%, 50%)", "hsv(180, 100%, 100%)",
       "cmyk(100%, 0%, 0%, 0%)", "(0.000, 1.000, 1.000)", "0x00FFFF00"},
      {255, 0, 255, "#ff00ff", "hsl(300, 100%, 50%)", "hsv(300, 100%, 100%)",
       "cmyk(0%, 100%, 0%, 0%)", "(1.000, 0.000, 1.000)", "0x00FF00FF"},
      // CSS Color 4: hsl(120 100% 25%) is rgb(0 127.5 0), on screen 0, 128, 0;
      // hsl(120 100% 75%) is 128, 255, 128; hsl(120 60% 70%) is 133, 224, 133,
      // which reads back as 59 % (the 8-bit colour's own saturation).
      {0, 128, 0, "#008000", "hsl(120, 100%, 25%)", "hsv(120, 100%, 50%)",
       "cmyk(100%, 0%, 100%, 50%)", "(0.000, 0.502, 0.000)", "0x00008000"},
      {128, 255, 128, "#80ff80", "hsl(120, 100%, 75%)", "hsv(120, 50%, 100%)",
       "cmyk(50%, 0%, 50%, 0%)", "(0.502, 1.000, 0.502)", "0x0080FF80"},
      {133, 224, 133, "#85e085", "hsl(120, 59%, 70%)", "hsv(120, 41%, 88%)",
       "cmyk(41%, 0%, 41%, 12%)", "(0.522, 0.878, 0.522)", "0x0085E085"},
      // Black, white and the greys either side of the middle.
      {0, 0, 0, "#000000", "hsl(0, 0%, 0%)", "hsv(0, 0%, 0%)", "cmyk(0%, 0%, 0%, 100%)",
       "(0.000, 0.000, 0.000)", "0x00000000"},
      {255, 255, 255, "#ffffff", "hsl(0, 0%, 100%)", "hsv(0, 0%, 100%)", "cmyk(0%, 0%, 0%, 0%)",
       "(1.000, 1.000, 1.000)", "0x00FFFFFF"},
      {127, 127, 127, "#7f7f7f", "hsl(0, 0%, 50%)", "hsv(0, 0%, 50%)", "cmyk(0%, 0%, 0%, 50%)",
       "(0.498, 0.498, 0.498)", "0x007F7F7F"},
      {128, 128, 128, "#808080", "hsl(0, 0%, 50%)", "hsv(0, 0%, 50%)", "cmyk(0%, 0%, 0%, 50%)",
       "(0.502, 0.502, 0.502)", "0x00808080"},
      // A hue of 359.76 degrees rounds to 0, 359.29 to 359.
      {255, 0, 1, "#ff0001", "hsl(0, 100%, 50%)", "hsv(0, 100%, 100%)", "cmyk(0%, 100%, 100%, 0%)",
       "(1.000, 0.000, 0.004)", "0x000100FF"},
      {255, 0, 3, "#ff0003", "hsl(359, 100%, 50%)", "hsv(359, 100%, 100%)",
       "cmyk(0%, 100%, 99%, 0%)", "(1.000, 0.000, 0.012)", "0x000300FF"},
      // HSV saturation exactly 0.5 % (1/200) rounds up, as does CMYK's M and Y.
      {200, 199, 199, "#c8c7c7", "hsl(0, 1%, 78%)", "hsv(0, 1%, 78%)", "cmyk(0%, 1%, 1%, 22%)",
       "(0.784, 0.780, 0.780)", "0x00C7C7C8"},
      {18, 52, 86, "#123456", "hsl(210, 65%, 20%)", "hsv(210, 79%, 34%)", "cmyk(79%, 40%, 0%, 66%)",
       "(0.071, 0.204, 0.337)", "0x00563412"},
  };
  for (const FormatCase& c : cases) {
    const TColor color = RGBColor(c.r, c.g, c.b);
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(HexLowerText(color), c.hex);
    EXPECT_EQ(RgbText(color), "rgb(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " +
                                  std::to_string(c.b) + ")");
    EXPECT_EQ(HslText(color), c.hsl);
    EXPECT_EQ(HsvText(color), c.hsv);
    EXPECT_EQ(CmykText(color), c.cmyk);
    EXPECT_EQ(FloatsText(color), c.floats);
    EXPECT_EQ(ColorRefText(color), c.colorRef);
    EXPECT_EQ(DelphiText(color), std::string("$") + (c.colorRef + 2));
  }
}

TEST(ColorFormats, TheTopByteTakesPartInNoText) {
  const TColor withTop = static_cast<TColor>(0xFFE16941u);
  for (ColorFormat f : kAllColorFormats) {
    EXPECT_EQ(FormatColor(f, withTop), FormatColor(f, RGBColor(65, 105, 225))) << ColorFormatKey(f);
  }
}

TEST(ColorFormats, EveryFormatHasItsOwnKeyAndLabelAndReadsBack) {
  for (ColorFormat f : kAllColorFormats) {
    for (ColorFormat other : kAllColorFormats) {
      if (other == f) continue;
      EXPECT_NE(ColorFormatKey(f), ColorFormatKey(other));
      EXPECT_NE(ColorFormatLabel(f), ColorFormatLabel(other));
      EXPECT_NE(FormatColor(f, RGBColor(65, 105, 225)), FormatColor(other, RGBColor(65, 105, 225)));
    }
    ColorFormat back = f == ColorFormat::Rgb ? ColorFormat::Hsl : ColorFormat::Rgb;
    ASSERT_TRUE(ColorFormatFromKey(ColorFormatKey(f), back));
    EXPECT_EQ(back, f);
  }
}

TEST(ColorFormats, UnknownKeysLeaveTheFormatAlone) {
  ColorFormat f = ColorFormat::Cmyk;
  for (const char* key : {"", "HSLA", "hs", "hsl ", " hsl", "rgb\n", "7", "float3"}) {
    EXPECT_FALSE(ColorFormatFromKey(key, f)) << key;
    EXPECT_EQ(f, ColorFormat::Cmyk);
  }
  EXPECT_TRUE(ColorFormatFromKey("HSL", f));
  EXPECT_EQ(f, ColorFormat::Hsl);
}

}  // namespace
}  // namespace velmora
