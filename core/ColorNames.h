// The CSS named colours (all 148 of CSS Color 4) and the one nearest to a
// colour by distance in OKLab.
#pragma once

#include <string>

#include "core/Color.h"

namespace velmora {

struct TNamedColor {
  const char* name;
  std::uint32_t rgb;  // #RRGGBB
};

// The nearest named colour; of equally near ones (aqua and cyan, gray and
// grey ...) the first in alphabetical order. `exact` tells whether it is
// the colour itself.
const TNamedColor& NearestNamedColor(TColor c, bool* exact = nullptr);
// "royalblue" for the colour itself, "≈ royalblue" for one near it.
std::string ColorNameHint(TColor c);
// The nearest name alone: "royalblue".
std::string ColorNameText(TColor c);
// How many names there are.
int NamedColorCount();

}  // namespace velmora
