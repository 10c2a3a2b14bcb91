// The native platform's screen on a Wayland desktop, read on demand: starts
// as Velmora does (the ScreenCast portal, its error box when it cannot), says
// "ready", then answers each "read" line on standard input with
// "X Y RRGGBB" ("X Y none" when no colour can be read), and each "block R"
// line with "X Y RRGGBB" and then the (2R+1)² colours of the block around the
// pointer, row by row, from the same read.
//   velmora_wayland_probe
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/PlatformFactory.h"

namespace {

std::string Hex(velmora::TColor c) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return text;
}

}  // namespace

int main() {
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  if (platform == nullptr) return velmora::kExitCannotRunHere;
  velmora::SetPlatform(platform.get());
  // No main loop runs here to hear the platform's signal handlers: SIGTERM
  // ends the probe at once.
  std::signal(SIGTERM, SIG_DFL);
  std::printf("ready\n");
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    int radius = -1;
    if (line.rfind("block ", 0) == 0) {
      radius = std::atoi(line.c_str() + 6);
    } else if (line != "read") {
      continue;
    }
    velmora::PixelBlock block;
    const velmora::PixelReading reading =
        radius < 0 ? platform->ReadPixelUnderPointer()
                   : platform->ReadPixelAndBlockUnderPointer(radius, block);
    if (!reading.ok) {
      std::printf("error %s\n", reading.error.c_str());
    } else if (reading.color == velmora::kInvalidColor) {
      std::printf("%d %d none\n", reading.position.x, reading.position.y);
    } else {
      const velmora::TColor c = reading.color;
      std::printf("%d %d %s", reading.position.x, reading.position.y, Hex(c).c_str());
      for (const velmora::TColor pixel : block.pixels) std::printf(" %s", Hex(pixel).c_str());
      std::printf("\n");
    }
    std::fflush(stdout);
  }
  velmora::SetPlatform(nullptr);
  return 0;
}
