// How each kind of windowless control looks: one painter per kind, drawing
// the control onto the canvas of the window that owns it.
#pragma once

#include "platform/Platform.h"
#include "ui/Controls.h"

namespace velmora {

// What a control's look depends on besides the control itself.
struct PaintState {
  FontRole font;  // the font its caption is drawn in
  bool hot;              // the pointer rests on it
};

using ControlPainter = void (*)(ICanvas& canvas, const TControl& control, const PaintState& state);

// Its caption in its bounds.
void PaintLabel(ICanvas& canvas, const TControl& control, const PaintState& state);
// Its fill (a checkerboard for an unreadable colour), its border and its
// caption centred on one line.
void PaintPanel(ICanvas& canvas, const TControl& control, const PaintState& state);
// A white frame while the pointer rests on it, and its caption centred on one line.
void PaintFlatButton(ICanvas& canvas, const TControl& control, const PaintState& state);

// The painter for controls of `kind`.
ControlPainter PainterFor(ControlKind kind);

}  // namespace velmora
