// The shared monitors' frames from PipeWire, read on PipeWire's own thread.
// Each monitor's newest full picture is kept as the buffer it came in (held
// back from the compositor until a newer one arrives, never copied), with
// its format and the newest pointer position, under one lock.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// One shared monitor: the PipeWire node and where the desktop places it.
struct ScreenCastStream {
  unsigned nodeId = 0;
  Point position;  // as the portal reports it
  Size size;
};

class PipeWireFrames {
 public:
  // Takes the fd. Empty Error() when every stream connected. `ended` is
  // called on PipeWire's thread, once, when the streams stop for good
  // (PipeWire went away, or the desktop ended the share).
  PipeWireFrames(int fd, const std::vector<ScreenCastStream>& streams,
                 std::function<void(const std::string&)> ended);
  ~PipeWireFrames();
  PipeWireFrames(const PipeWireFrames&) = delete;
  PipeWireFrames& operator=(const PipeWireFrames&) = delete;

  const std::string& Error() const { return error_; }
  // The pointer on the monitor it was last seen on and the pixel there, and
  // when `block` is given the square `radius` around it, all from the newest
  // frames under one lock. No colour (kInvalidColor) before the first frame.
  PixelReading Read(int radius, PixelBlock* block);
  // The pixels of `area` from the newest frames; black where no monitor is.
  PixelBlock ReadBlock(const Rect& area);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::string error_;
};

}  // namespace velmora
