// The colour box as the configuration file keeps it: section "ColorBox",
// keys "CB1", "CB2", ... one per slot, each colour as a decimal integer.
#pragma once

#include <vector>

#include "core/Color.h"

namespace velmora {

// The first `slots` colours from the configuration file; white for a slot
// whose key is missing or not a number.
std::vector<TColor> LoadColorBox(int slots);

// Writes the colours into the configuration file in one replacement of it.
// Raises EVelmoraError "Unable to write to <file name>" when they cannot be
// written; the file then keeps its old content.
void StoreColorBox(const std::vector<TColor>& colors);

}  // namespace velmora
