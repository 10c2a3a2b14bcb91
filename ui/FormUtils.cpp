#include "ui/FormUtils.h"

namespace velmora {

void ApplyDefaultFont(FontSpec& font) {
  font.face = "Tahoma";
  font.points = 8;
  font.charset = 0;
}

}  // namespace velmora
