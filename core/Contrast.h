// The contrast ratio of two colours as WCAG 2 defines it, and what it is
// enough for.
#pragma once

#include <string>
#include <vector>

#include "core/Color.h"

namespace velmora {

// WCAG 2's relative luminance, 0 (black) to 1 (white).
double RelativeLuminance(TColor c);
// (lighter + 0.05) / (darker + 0.05): 1 to 21, either order.
double ContrastRatio(TColor first, TColor second);

// The levels a ratio passes (compared unrounded, as WCAG asks).
struct TContrastVerdict {
  bool aaNormal;   // 4.5:1
  bool aaLarge;    // 3:1
  bool aaaNormal;  // 7:1
  bool aaaLarge;   // 4.5:1
};
TContrastVerdict ContrastVerdict(double ratio);

// "4.48:1", two decimals.
std::string ContrastRatioText(double ratio);
// The contrast report: the newest colour-box colour against each of the
// others, one paragraph each.
std::string ContrastReport(const std::vector<TColor>& colorBox);

}  // namespace velmora
