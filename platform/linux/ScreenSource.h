// The screen as a Linux session shows it to Velmora. Each kind of session
// has its own source: X11 reads the root window, a Wayland desktop shares its
// monitors through the ScreenCast portal and PipeWire. The platform chooses
// one at start-up (linux_factory.cpp) and asks only it.
#pragma once

#include <functional>
#include <string>

#include "platform/Platform.h"

namespace velmora {

class IScreenSource {
 public:
  virtual ~IScreenSource() = default;
  // The pointer's position and the pixel there, and when `radius` >= 0 the
  // square of pixels `radius` around it in `block`, both from one read.
  virtual PixelReading ReadUnderPointer(int radius, PixelBlock* block) = 0;
  // The device pixels of `area`, as they are now; black where no monitor is.
  virtual PixelBlock ReadBlock(const Rect& area) = 0;
};

// Called on the main loop, once, when a source can no longer see the screen
// (the desktop ended the share); `why` is the text for the user.
using ScreenLostHandler = std::function<void(const std::string& why)>;

}  // namespace velmora
