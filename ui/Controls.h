// Windowless controls: rectangles the form paints and hit-tests itself.
#pragma once

#include <functional>
#include <string>

#include "core/Color.h"
#include "platform/Platform.h"

namespace velmora {

enum class ControlKind { Label, Panel, FlatButton };

struct TControl {
  std::string Name;
  int Id = 0;                  // position in the form, also its tooltip number
  ControlKind Kind = ControlKind::Label;
  Rect Bounds;                 // in client pixels of the window
  TControl* Parent = nullptr;  // hidden with its parent
  bool Visible = true;
  TColor Color = kWhite;       // panels: fill colour
  bool Border = false;         // panels: flat one-pixel frame
  std::string Caption;
  FontRole Font = FontRole::Strip;
  bool ParentFont = false;     // draws in the window's base font
  TColor FontColor = kWhite;
  bool SystemFontColor = false;  // text in the system's window-text colour instead
  TextAlign Align = TextAlign::Left;
  PointerShape Pointer = PointerShape::Arrow;
  std::string Hint;            // tooltip text; empty for none
  bool DragsWindow = false;    // a press here moves the window
  std::function<void(TControl&)> OnClick;

  // Visible, and so are all its parents.
  bool Showing() const { return Visible && (Parent == nullptr || Parent->Showing()); }
};

}  // namespace velmora
