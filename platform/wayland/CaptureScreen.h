// The screen of a Wayland desktop that lets its clients capture the monitors
// themselves (sway, labwc and other wlroots desktops, Hyprland): the
// ext-image-copy-capture protocol over Velmora's own Wayland connection, one
// capture of each monitor and one session that follows the pointer on it.
#pragma once

#include <memory>
#include <string>

#include "platform/linux/ScreenSource.h"

namespace velmora {

struct CaptureScreenStart {
  // False where the desktop lacks the capture protocols (or no Wayland
  // connection opens): another source must serve, and nothing was shown.
  bool offered = false;
  std::unique_ptr<IScreenSource> source;  // nullptr when offered: see refusal
  std::string refusal;                    // the text of the box saying why not
};

// Connects to the desktop of WAYLAND_DISPLAY, captures every monitor and
// waits briefly for the first pictures and the pointer's position. `lost`
// hears when the desktop goes away later.
CaptureScreenStart StartCaptureScreen(ScreenLostHandler lost);

}  // namespace velmora
