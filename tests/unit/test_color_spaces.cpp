#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/ColorFormats.h"
#include "core/ColorNames.h"
#include "core/ColorSpaces.h"
#include "core/Contrast.h"

namespace velmora {
namespace {

TColor Rgb(std::uint32_t rgb) {
  return RGBColor(rgb >> 16, rgb >> 8, rgb);
}

// Published values: Björn Ottosson's OKLab page and CSS Color 4's examples
// (OKLab to their precision); CIE Lab D50 as CSS Color 4's matrices give it.
TEST(ColorSpaces, PublishedValues) {
  struct Case {
    std::uint32_t rgb;
    double okL, okA, okB;  // OKLab
    double labL, labA, labB;
  };
  const Case cases[] = {
      {0xFF0000, 0.62796, 0.22486, 0.12585, 54.291, 80.805, 69.891},
      {0x00FF00, 0.86644, -0.23389, 0.17950, 87.818, -79.271, 80.995},
      {0x0000FF, 0.45201, -0.03246, -0.31153, 29.568, 68.287, -112.029},
      {0xFFFFFF, 1.0, 0.0, 0.0, 100.0, 0.0, 0.0},
      {0x000000, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rgb);
    const TLab ok = OklabOf(Rgb(c.rgb));
    EXPECT_NEAR(ok.L, c.okL, 1e-4);
    EXPECT_NEAR(ok.a, c.okA, 1e-4);
    EXPECT_NEAR(ok.b, c.okB, 1e-4);
    const TLab lab = CieLabOf(Rgb(c.rgb));
    EXPECT_NEAR(lab.L, c.labL, 2e-3);
    EXPECT_NEAR(lab.a, c.labA, 2e-3);
    EXPECT_NEAR(lab.b, c.labB, 2e-3);
  }
}

TEST(ColorSpaces, TextsInCssSyntax) {
  struct Case {
    std::uint32_t rgb;
    const char *oklch, *oklab, *lab;
  };
  const Case cases[] = {
      {0xFF0000, "oklch(62.8% 0.25768 29.23)", "oklab(62.8% 0.22486 0.12585)",
       "lab(54.29% 80.8 69.89)"},
      {0x0000FF, "oklch(45.2% 0.31321 264.05)", "oklab(45.2% -0.03246 -0.31153)",
       "lab(29.57% 68.29 -112.03)"},
      // Greys: chroma 0 and hue 0, never "-0".
      {0x808080, "oklch(59.99% 0 0)", "oklab(59.99% 0 0)", "lab(53.59% 0 0)"},
      {0xFFFFFF, "oklch(100% 0 0)", "oklab(100% 0 0)", "lab(100% 0 0)"},
      {0x000000, "oklch(0% 0 0)", "oklab(0% 0 0)", "lab(0% 0 0)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatColor(ColorFormat::Oklch, Rgb(c.rgb)), c.oklch);
    EXPECT_EQ(FormatColor(ColorFormat::Oklab, Rgb(c.rgb)), c.oklab);
    EXPECT_EQ(FormatColor(ColorFormat::Lab, Rgb(c.rgb)), c.lab);
  }
}

TEST(ColorSpaces, DecimalTextRoundsAndTrims) {
  EXPECT_EQ(DecimalText(29.2339, 2), "29.23");
  EXPECT_EQ(DecimalText(0.125, 2), "0.13");
  EXPECT_EQ(DecimalText(-0.125, 2), "-0.13");
  EXPECT_EQ(DecimalText(80.8001, 2), "80.8");
  EXPECT_EQ(DecimalText(-0.0004, 3), "0");
  EXPECT_EQ(DecimalText(0.05, 3), "0.05");
  EXPECT_EQ(DecimalText(100, 2), "100");
}

// The numbers of a text "name(a b c)"; a percentage as a fraction times `percentScale`.
std::vector<double> Numbers(const std::string& text, double percentScale) {
  std::istringstream in(text.substr(text.find('(') + 1, text.find(')') - text.find('(') - 1));
  std::vector<double> numbers;
  std::string word;
  while (in >> word) {
    const bool percent = word.back() == '%';
    if (percent) word.pop_back();
    numbers.push_back(std::stod(word) * (percent ? percentScale / 100 : 1));
  }
  return numbers;
}

// Every third value of each channel: the printed text leads back to the
// same 8-bit colour.
TEST(ColorSpaces, PrintedTextsComeBackToTheSameColour) {
  int failures = 0;
  for (unsigned r = 0; r < 256; r += 3) {
    for (unsigned g = 0; g < 256; g += 3) {
      for (unsigned b = 0; b < 256; b += 3) {
        const TColor c = RGBColor(r, g, b);
        const std::vector<double> ok = Numbers(OklabText(c), 1);
        const std::vector<double> lch = Numbers(OklchText(c), 1);
        const std::vector<double> lab = Numbers(LabText(c), 100);
        const double hue = lch[2] * 3.14159265358979323846 / 180;
        const TColor fromOklab = ColorOfOklab(TLab{ok[0], ok[1], ok[2]});
        const TColor fromOklch =
            ColorOfOklab(TLab{lch[0], lch[1] * std::cos(hue), lch[1] * std::sin(hue)});
        const TColor fromLab = ColorOfCieLab(TLab{lab[0], lab[1], lab[2]});
        if ((fromOklab != c || fromOklch != c || fromLab != c) && ++failures <= 5) {
          ADD_FAILURE() << HexText(c) << ": " << OklabText(c) << " -> " << HexText(fromOklab)
                        << ", " << OklchText(c) << " -> " << HexText(fromOklch) << ", "
                        << LabText(c) << " -> " << HexText(fromLab);
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(ColorNames, ExactNamesAndNearMisses) {
  struct Case {
    std::uint32_t rgb;
    const char* hint;
    const char* name;
  };
  const Case cases[] = {
      {0x4169E1, "royalblue", "royalblue"},
      {0x663399, "rebeccapurple", "rebeccapurple"},
      {0x00FFFF, "aqua", "aqua"},  // also "cyan": the first in alphabetical order
      {0x808080, "gray", "gray"},
      {0xFFFFFF, "white", "white"},
      {0x4169E2, "\xE2\x89\x88 royalblue", "royalblue"},
      {0xFE0101, "\xE2\x89\x88 red", "red"},
      {0x010101, "\xE2\x89\x88 black", "black"},
      {0x7F7F7F, "\xE2\x89\x88 gray", "gray"},
      {0xFFFFFE, "\xE2\x89\x88 white", "white"},
      {0x6495EC, "\xE2\x89\x88 cornflowerblue", "cornflowerblue"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ColorNameHint(Rgb(c.rgb)), c.hint);
    EXPECT_EQ(FormatColor(ColorFormat::Name, Rgb(c.rgb)), c.name);
  }
  EXPECT_EQ(NamedColorCount(), 148);
  // The top byte takes no part.
  EXPECT_EQ(ColorNameHint(Rgb(0x4169E1) | static_cast<TColor>(0x7F000000)), "royalblue");
}

TEST(Contrast, KnownPairsAndVerdicts) {
  EXPECT_DOUBLE_EQ(ContrastRatio(RGBColor(0, 0, 0), kWhite), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kWhite, RGBColor(0, 0, 0)), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kBackgroundBlue, kBackgroundBlue), 1.0);
  EXPECT_NEAR(ContrastRatio(RGBColor(0x77, 0x77, 0x77), kWhite), 4.48, 0.005);
  EXPECT_EQ(ContrastRatioText(ContrastRatio(RGBColor(0x77, 0x77, 0x77), kWhite)), "4.48:1");
  EXPECT_EQ(ContrastRatioText(21), "21.00:1");
  EXPECT_EQ(ContrastRatioText(4.5), "4.50:1");

  struct Case {
    double ratio;
    bool aaNormal, aaLarge, aaaNormal, aaaLarge;
  };
  const Case cases[] = {
      {2.99, false, false, false, false}, {3.0, false, true, false, false},
      {4.49, false, true, false, false},  {4.5, true, true, false, true},
      {6.99, true, true, false, true},    {7.0, true, true, true, true},
  };
  for (const Case& c : cases) {
    const TContrastVerdict v = ContrastVerdict(c.ratio);
    EXPECT_EQ(v.aaNormal, c.aaNormal) << c.ratio;
    EXPECT_EQ(v.aaLarge, c.aaLarge) << c.ratio;
    EXPECT_EQ(v.aaaNormal, c.aaaNormal) << c.ratio;
    EXPECT_EQ(v.aaaLarge, c.aaaLarge) << c.ratio;
  }
}

TEST(Contrast, ReportTakesTheNewestAgainstEachOther) {
  EXPECT_EQ(ContrastReport({kWhite, RGBColor(0, 0, 0), RGBColor(0x77, 0x77, 0x77)}),
            "Slot 1 #FFFFFF against:\n\n"
            "Slot 2 #000000: 21.00:1\n  normal text: AA pass, AAA pass\n"
            "  large text: AA pass, AAA pass\n\n"
            "Slot 3 #777777: 4.48:1\n  normal text: AA fail, AAA fail\n"
            "  large text: AA pass, AAA fail");
}

}  // namespace
}  // namespace velmora
