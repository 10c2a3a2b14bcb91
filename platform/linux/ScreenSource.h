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

// The text for the user when the desktop stopped sharing the screen while
// Velmora ran; `detail` is the desktop's or the connection's own words.
inline std::string ScreenLostText(const std::string& detail) {
  return "Velmora cannot see the screen any more: the desktop stopped sharing it.\n\n"
         "The colour box is saved. Start Velmora again to go on picking colours.\n\n(" +
         detail + ")";
}

// The pixels of `area` into `block`, row by row, each asked of `pixelAt`
// (a Point in, a TColor out).
template <typename PixelAt>
void FillBlock(const Rect& area, PixelBlock& block, PixelAt pixelAt) {
  block.area = area;
  block.pixels.resize(
      static_cast<std::size_t>(area.width > 0 && area.height > 0 ? area.width * area.height : 0));
  std::size_t i = 0;
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) block.pixels[i++] = pixelAt(Point{area.x + x, area.y + y});
  }
}

}  // namespace velmora
