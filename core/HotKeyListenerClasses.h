// How the manager calls back into the window without knowing its class.
#pragma once

namespace velmora {

class IHotKeyListener {
 public:
  // Alt+S was pressed: store the current colour in the colour box.
  virtual void SaveColorToColorBox() = 0;
  // Alt+Z was pressed: show or hide the magnifier.
  virtual void ToggleMagnifier() = 0;

 protected:
  ~IHotKeyListener() = default;
};

}  // namespace velmora
