#include "core/Contrast.h"

#include <cmath>

#include "core/ColorSpaces.h"

namespace velmora {

namespace {

double Linear(unsigned channel) {
  const double v = channel / 255.0;
  return v <= 0.03928 ? v / 12.92 : PowerOf((v + 0.055) / 1.055, 2.4);
}

std::string Mark(bool passes) {
  return passes ? "pass" : "fail";
}

}  // namespace

double RelativeLuminance(TColor c) {
  return 0.2126 * Linear(RedOf(c)) + 0.7152 * Linear(GreenOf(c)) + 0.0722 * Linear(BlueOf(c));
}

double ContrastRatio(TColor first, TColor second) {
  const double a = RelativeLuminance(first);
  const double b = RelativeLuminance(second);
  return a > b ? (a + 0.05) / (b + 0.05) : (b + 0.05) / (a + 0.05);
}

TContrastVerdict ContrastVerdict(double ratio) {
  return TContrastVerdict{ratio >= 4.5, ratio >= 3, ratio >= 7, ratio >= 4.5};
}

std::string ContrastRatioText(double ratio) {
  std::string text = DecimalText(ratio, 2);
  // Always two decimals: "21.00:1", "4.50:1".
  const std::size_t point = text.find('.');
  if (point == std::string::npos) text += ".";
  while (text.size() - text.find('.') < 3) text += "0";
  return text + ":1";
}

std::string ContrastReport(const std::vector<TColor>& colorBox) {
  if (colorBox.empty()) return std::string();
  std::string report = "Slot 1 " + HexText(colorBox[0]) + " against:";
  for (std::size_t i = 1; i < colorBox.size(); ++i) {
    const double ratio = ContrastRatio(colorBox[0], colorBox[i]);
    const TContrastVerdict v = ContrastVerdict(ratio);
    report += "\n\nSlot " + std::to_string(i + 1) + " " + HexText(colorBox[i]) + ": " +
              ContrastRatioText(ratio) + "\n  normal text: AA " + Mark(v.aaNormal) + ", AAA " +
              Mark(v.aaaNormal) + "\n  large text: AA " + Mark(v.aaLarge) + ", AAA " +
              Mark(v.aaaLarge);
  }
  return report;
}

}  // namespace velmora
