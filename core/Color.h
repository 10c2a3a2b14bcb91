// The colour value and the texts made from it.
#pragma once

#include <cstdint>
#include <string>

// TColor (0x00BBGGRR; the top byte takes part in no text) and kInvalidColor.
#include "platform/Platform.h"

namespace velmora {

constexpr TColor kWhite = 0x00FFFFFF;
constexpr TColor kBackgroundBlue = 14772545;  // #4169E1

constexpr unsigned RedOf(TColor c) { return static_cast<std::uint32_t>(c) & 0xFFu; }
constexpr unsigned GreenOf(TColor c) { return (static_cast<std::uint32_t>(c) >> 8) & 0xFFu; }
constexpr unsigned BlueOf(TColor c) { return (static_cast<std::uint32_t>(c) >> 16) & 0xFFu; }

// #RRGGBB written as a TColor.
constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b) {
  return static_cast<TColor>((r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16));
}

std::string RedText(TColor c);
std::string GreenText(TColor c);
std::string BlueText(TColor c);
// "#RRGGBB", upper-case.
std::string HexText(TColor c);
// "R, G, B".
std::string DecimalTriple(TColor c);

}  // namespace velmora
