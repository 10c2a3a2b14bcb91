#include <gtest/gtest.h>

#include "core/Color.h"

namespace velmora {
namespace {

struct TextCase {
  std::uint32_t value;
  const char* red;
  const char* green;
  const char* blue;
  const char* hex;
  const char* triple;
};

TEST(ColorTexts, TableOfValues) {
  const TextCase cases[] = {
      {0x00000000, "0", "0", "0", "#000000", "0, 0, 0"},
      {0x00FFFFFF, "255", "255", "255", "#FFFFFF", "255, 255, 255"},
      {0xFFFFFFFF, "255", "255", "255", "#FFFFFF", "255, 255, 255"},
      {0x00000080, "128", "0", "0", "#800000", "128, 0, 0"},
      {0x00800000, "0", "0", "128", "#000080", "0, 0, 128"},
      {0x00E16941, "65", "105", "225", "#4169E1", "65, 105, 225"},
      {0x7A0A0B0C, "12", "11", "10", "#0C0B0A", "12, 11, 10"},
      {0x00ABCDEF, "239", "205", "171", "#EFCDAB", "239, 205, 171"},
  };
  for (const TextCase& c : cases) {
    const TColor color = static_cast<TColor>(c.value);
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(RedText(color), c.red);
    EXPECT_EQ(GreenText(color), c.green);
    EXPECT_EQ(BlueText(color), c.blue);
    EXPECT_EQ(HexText(color), c.hex);
    EXPECT_EQ(DecimalTriple(color), c.triple);
  }
}

TEST(ColorTexts, BackgroundBlueIsTheNamedValue) {
  EXPECT_EQ(kBackgroundBlue, RGBColor(0x41, 0x69, 0xE1));
  EXPECT_EQ(HexText(kBackgroundBlue), "#4169E1");
}

}  // namespace
}  // namespace velmora
