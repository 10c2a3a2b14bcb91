// The yardstick for CPU at rest: a program that only reads the pixel under
// the pointer ten times a second, with plain Xlib (XQueryPointer and a 1 x 1
// XGetImage of the root window) and a 100 ms timer from poll() on the X
// connection. It runs until it is killed.
#include <poll.h>

#include <chrono>
#include <cstdio>

#include "tests/bench/native/BareRead.h"

namespace {

// The last pixel read, kept where the compiler cannot drop the read.
volatile unsigned long lastPixel = 0;

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "bare_reader: cannot open the X display\n");
    return 1;
  }
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  long long next = NowMs() + 100;
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
    const long long wait = next - NowMs();
    if (wait > 0) {
      poll(&connection, 1, static_cast<int>(wait));
      continue;
    }
    next += 100;
    lastPixel = BareReadPixel(display);
  }
}
