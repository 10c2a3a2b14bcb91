// Small helpers shared by forms.
#pragma once

#include "platform/Platform.h"

namespace velmora {

// Tahoma 8 pt, ANSI character set: the font the window's base font becomes when shown.
void ApplyDefaultFont(FontSpec& font);

}  // namespace velmora
