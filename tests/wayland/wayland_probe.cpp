// The native platform's screen on a Wayland desktop, read on demand: starts
// as Velmora does (the ScreenCast portal, its error box when it cannot), says
// "ready", then answers each "read" line on standard input with
// "X Y RRGGBB" ("X Y none" when no colour can be read).
//   velmora_wayland_probe
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/PlatformFactory.h"

int main() {
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  velmora::SetPlatform(platform.get());
  // No main loop runs here to hear the platform's signal handlers: SIGTERM
  // ends the probe at once.
  std::signal(SIGTERM, SIG_DFL);
  std::printf("ready\n");
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line != "read") continue;
    const velmora::PixelReading reading = platform->ReadPixelUnderPointer();
    if (!reading.ok) {
      std::printf("error %s\n", reading.error.c_str());
    } else if (reading.color == velmora::kInvalidColor) {
      std::printf("%d %d none\n", reading.position.x, reading.position.y);
    } else {
      const velmora::TColor c = reading.color;
      std::printf("%d %d %02X%02X%02X\n", reading.position.x, reading.position.y, c & 0xFF,
                  (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    std::fflush(stdout);
  }
  velmora::SetPlatform(nullptr);
  return 0;
}
