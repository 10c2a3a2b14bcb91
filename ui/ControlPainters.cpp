#include "ui/ControlPainters.h"

namespace velmora {

namespace {

constexpr TColor kFrameColor = 0;  // flat one-pixel borders
constexpr TColor kCheckerLight = 0x00FFFFFF;
constexpr TColor kCheckerDark = 0x00C0C0C0;
constexpr int kCheckerCell = 7;
constexpr int kTextLineHeight = 13;  // one line of 8 pt text at 96 DPI

// One line of text, centred in height on the control's bounds.
Rect CentredLine(const Rect& bounds) {
  Rect line = bounds;
  line.y += (bounds.height - kTextLineHeight) / 2;
  line.height = kTextLineHeight;
  return line;
}

// The control's caption in `box`, in its own colour or the system's.
void DrawCaption(ICanvas& canvas, const TControl& c, const Rect& box, FontRole font) {
  if (c.Caption.empty()) return;
  const TColor color =
      c.SystemFontColor ? Platform().SystemColorValue(SystemColor::WindowText) : c.FontColor;
  canvas.PaintText(box, c.Caption, font, color, c.Align);
}

}  // namespace

void PaintLabel(ICanvas& canvas, const TControl& c, const PaintState& state) {
  DrawCaption(canvas, c, c.Bounds, state.font);
}

void PaintPanel(ICanvas& canvas, const TControl& c, const PaintState& state) {
  if (c.Color == kInvalidColor) {
    // A pixel that cannot be read: a grey and white checkerboard, the
    // usual picture of "no colour".
    for (int y = 0; y < c.Bounds.height; y += kCheckerCell) {
      for (int x = 0; x < c.Bounds.width; x += kCheckerCell) {
        const bool dark = ((x + y) / kCheckerCell) % 2 != 0;
        canvas.FillRect(
            Rect{c.Bounds.x + x, c.Bounds.y + y, kCheckerCell, kCheckerCell}.Intersect(c.Bounds),
            dark ? kCheckerDark : kCheckerLight);
      }
    }
  } else {
    canvas.FillRect(c.Bounds, c.Color);
  }
  if (c.Border) canvas.FrameRect(c.Bounds, kFrameColor);
  DrawCaption(canvas, c, CentredLine(c.Bounds), state.font);
}

void PaintFlatButton(ICanvas& canvas, const TControl& c, const PaintState& state) {
  if (state.hot) canvas.FrameRect(c.Bounds, kWhite);
  DrawCaption(canvas, c, CentredLine(c.Bounds), state.font);
}

ControlPainter PainterFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return PaintPanel;
    case ControlKind::FlatButton:
      return PaintFlatButton;
    case ControlKind::Label:
      break;
  }
  return PaintLabel;
}

}  // namespace velmora
