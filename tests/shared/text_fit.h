// Whether the main window's texts fit their controls on a given canvas: the
// null model in the unit tests, the Win32 canvas under Wine, and any other
// canvas that can measure text.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/MainFrm.h"

namespace velmora {

// One text a control can show, measured in the font the control draws it with.
struct MeasuredText {
  std::string control;
  std::string text;
  Size size;  // trailing spaces left out: they draw nothing
  Rect box;   // the control's bounds

  bool Fits() const { return size.width <= box.width && size.height <= box.height; }
};

// Every text the controls of a shown `form` can show, measured on `canvas`:
// each caption, every value 0..255 of the R, G and B labels, and every
// #RRGGBB that repeats one hex digit (with no kerning the widest code is the
// one of the widest digit). Tooltips are not part of the window's face.
std::vector<MeasuredText> MeasureFormTexts(const TMainForm& form, ICanvas& canvas);

// Those of MeasureFormTexts that do not fit their control.
std::vector<MeasuredText> TextsThatDoNotFit(const TMainForm& form, ICanvas& canvas);

// One line per text: control, text, its size and its box.
std::string Describe(const std::vector<MeasuredText>& texts);

}  // namespace velmora
