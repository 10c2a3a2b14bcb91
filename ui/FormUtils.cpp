#include "ui/FormUtils.h"

namespace velmora {

void ApplyDefaultFont(FontRole& font) { font = FontRole::Form; }

}  // namespace velmora
