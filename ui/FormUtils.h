// Small helpers shared by forms.
#pragma once

#include "platform/Platform.h"

namespace velmora {

// The form's own text font (each backend's choice: Tahoma 8 pt on Windows), which
// the window's base font becomes when shown.
void ApplyDefaultFont(FontRole& font);

}  // namespace velmora
