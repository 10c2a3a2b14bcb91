// The platform contract on the portal screen source, in the headless GNOME
// session (session.sh, run_contract.py answers the share dialog): the screen
// is a full-screen native Wayland window of one colour (color_window.py,
// which also moves the pointer through mutter's RemoteDesktop interface);
// the rest is the X11 window's, under XWayland, as in the X11 suite.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "platform/wayland/PortalScreen.h"
#include "tests/x11/X11ContractDriver.h"

namespace velmora {
namespace {

// color_window.py, started at the first colour and ended with the tests.
class ColorWindow {
 public:
  ColorWindow() {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      close(toChild[1]);
      close(fromChild[0]);
      execl("/usr/bin/python3", "python3", VELMORA_COLOR_WINDOW, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    in_ = fdopen(toChild[1], "w");
    out_ = fdopen(fromChild[0], "r");
  }
  ~ColorWindow() {
    std::fclose(in_);  // the window ends at the end of its input
    std::fclose(out_);
    waitpid(pid_, nullptr, 0);
  }

  // The colour drawn and the pointer on `p`; false if the window did not say so.
  bool Show(Point p, TColor color) {
    std::fprintf(in_, "%02X%02X%02X %d %d\n", color & 0xFF, (color >> 8) & 0xFF,
                 (color >> 16) & 0xFF, p.x, p.y);
    std::fflush(in_);
    char line[64] = {};
    return std::fgets(line, sizeof(line), out_) != nullptr && std::string(line) == "shown\n";
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
};

// The Linux platform with the portal's screen source, as Velmora starts on a
// Wayland desktop (the consent kept beside the suite's Config.ini).
std::unique_ptr<LinuxPlatform> PortalPlatform() {
  auto platform = std::make_unique<LinuxPlatform>();
  LinuxPlatform* owner = platform.get();
  PortalScreenStart portal =
      StartPortalScreen(platform->ConfigFile("ScreenCast.token"),
                        [owner](const std::string& why) { owner->ScreenLost(why); });
  if (portal.source == nullptr) throw std::runtime_error(portal.refusal);
  platform->UseScreen(std::move(portal.source));
  return platform;
}

class PortalDriver : public X11Driver {
 public:
  PortalDriver() : X11Driver(PortalPlatform()) {}

  void ShowColorAt(Point p, TColor color) override {
    static ColorWindow window;
    ASSERT_TRUE(window.Show(p, color)) << "color_window.py did not show the colour";
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(OnPortal, PlatformContract, PortalDriver);

}  // namespace
}  // namespace velmora
