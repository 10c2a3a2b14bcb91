#include "core/Color.h"


namespace velmora {

std::string RedText(TColor c) { return std::to_string(RedOf(c)); }
std::string GreenText(TColor c) { return std::to_string(GreenOf(c)); }
std::string BlueText(TColor c) { return std::to_string(BlueOf(c)); }

std::string HexText(TColor c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "#";
  for (unsigned channel : {RedOf(c), GreenOf(c), BlueOf(c)}) {
    text += kDigits[channel >> 4];
    text += kDigits[channel & 0xF];
  }
  return text;
}

std::string DecimalTriple(TColor c) {
  return RedText(c) + ", " + GreenText(c) + ", " + BlueText(c);
}

}  // namespace velmora
