#include "core/Color.h"

#include <cstdio>

namespace velmora {

std::string RedText(TColor c) { return std::to_string(RedOf(c)); }
std::string GreenText(TColor c) { return std::to_string(GreenOf(c)); }
std::string BlueText(TColor c) { return std::to_string(BlueOf(c)); }

std::string HexText(TColor c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
  return text;
}

std::string DecimalTriple(TColor c) {
  return RedText(c) + ", " + GreenText(c) + ", " + BlueText(c);
}

}  // namespace velmora
