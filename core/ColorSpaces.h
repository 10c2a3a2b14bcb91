// The sampled colour in the perceptual spaces of CSS Color 4: OKLab and its
// polar form OKLCH (Björn Ottosson's matrices), and CIE Lab relative to D50
// (by the Bradford-adapted sRGB matrices CSS uses). Texts are CSS syntax
// with enough decimals to come back to the same 8-bit sRGB colour.
#pragma once

#include <string>

#include "core/Color.h"

namespace velmora {

struct TLab {
  double L = 0;  // 0 to 1 in OKLab, 0 to 100 in CIE Lab
  double a = 0;
  double b = 0;
};

// base to the power of exponent, for base >= 0 (0 for base 0).
double PowerOf(double base, double exponent);
double CubeRoot(double v);

TLab OklabOf(TColor c);
TLab CieLabOf(TColor c);
// The 8-bit sRGB colour nearest to a point of either space (out-of-gamut
// channels clipped).
TColor ColorOfOklab(const TLab& lab);
TColor ColorOfCieLab(const TLab& lab);

// "oklab(62.8% 0.22486 0.12585)": L in percent (two decimals), a and b five
// decimals, trailing zeros dropped. Fewer decimals do not always come back:
// a channel of 0 beside bright ones turns into 1 with four.
std::string OklabText(TColor c);
// "oklch(62.8% 0.25768 29.23)": chroma five decimals, hue in degrees (two
// decimals). Greys have chroma 0 and hue 0: a number every CSS parser
// takes, where "none" is still refused by some.
std::string OklchText(TColor c);
// "lab(54.29% 80.8 69.89)": CIE Lab, D50, two decimals.
std::string LabText(TColor c);

// `value` with at most `decimals` decimals, rounded half away from zero,
// trailing zeros and a lone point dropped, never "-0"; independent of the
// locale.
std::string DecimalText(double value, int decimals);

}  // namespace velmora
