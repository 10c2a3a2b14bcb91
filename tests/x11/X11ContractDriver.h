// The contract's driver on the X11 backend: another program and the user
// are played by a second X connection, xdotool (XTEST) and xclip. The screen
// is shown by a window of that second connection; a driver for another
// screen source on an X11 window (XWayland) overrides ShowColorAt.
#pragma once

#include "tests/shared/platform_contract.h"
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/keysym.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace velmora {

class X11Driver : public ContractDriver {
 public:
  X11Driver() : X11Driver(CreateX11Platform()) {}
  explicit X11Driver(std::unique_ptr<LinuxPlatform> platform) : platform_(std::move(platform)) {
    SetPlatform(platform_.get());
    other_ = XOpenDisplay(nullptr);
  }
  ~X11Driver() override {
    if (other_ != nullptr) XCloseDisplay(other_);
    PumpPending();
    SetPlatform(nullptr);
  }

  void ShowColorAt(Point p, TColor color) override {
    Display* display = platform_->XDisplay();
    const unsigned long pixel = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    if (patch_ == 0) {
      XSetWindowAttributes attributes{};
      attributes.override_redirect = True;
      attributes.background_pixel = pixel;
      patch_ = XCreateWindow(other_, DefaultRootWindow(other_), p.x - 20, p.y - 20, 40, 40, 0,
                             CopyFromParent, InputOutput, CopyFromParent,
                             CWOverrideRedirect | CWBackPixel, &attributes);
      XMapRaised(other_, patch_);
    } else {
      XSetWindowBackground(other_, patch_, pixel);
      XClearWindow(other_, patch_);
    }
    XSync(other_, False);
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, p.x, p.y);
    XSync(display, False);
  }

  std::string ClipboardTextSeenElsewhere() override {
    std::string text;
    RunPumping("xclip -o -selection clipboard", &text);
    return text;
  }

  bool ClipboardCanBeHeld() const override { return false; }
  void HoldClipboardElsewhere(bool) override {}

  void HoldHotKeyElsewhere(HotKey key, bool hold) override {
    const KeyCode code = XKeysymToKeycode(other_, KeysymOf(key));
    if (hold) {
      XGrabKey(other_, code, Mod1Mask, DefaultRootWindow(other_), False, GrabModeAsync,
               GrabModeAsync);
    } else {
      XUngrabKey(other_, code, Mod1Mask, DefaultRootWindow(other_));
    }
    XSync(other_, False);
  }

  void PressHotKey(HotKey key) override {
    const char* keys = key == HotKey::AltD   ? "alt+d"
                       : key == HotKey::AltH ? "alt+h"
                       : key == HotKey::AltZ ? "alt+z"
                       : key == HotKey::AltC ? "alt+c"
                                             : "alt+s";
    EXPECT_EQ(std::system((std::string("xdotool key ") + keys).c_str()), 0);
  }

  // The window's own timer, due at once, as GLib reports it.
  void DeliverTimerTick(IWindow& window) override { window.StartTimer(1); }

  void WithinEventLoop(IWindow& window, const std::function<void()>& body) override {
    struct Call {
      IWindow& window;
      const std::function<void()>& body;
    } call{window, body};
    g_idle_add(
        [](gpointer data) -> gboolean {
          auto* c = static_cast<Call*>(data);
          c->body();
          c->window.Close();
          return G_SOURCE_REMOVE;
        },
        &call);
    window.RunEventLoop();
  }

  bool PumpUntil(const std::function<bool()>& done, int milliseconds) override {
    const gint64 end = g_get_monotonic_time() + milliseconds * 1000LL;
    while (!done()) {
      if (g_get_monotonic_time() >= end) return done();
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
      g_usleep(1000);
    }
    return true;
  }

 private:
  static KeySym KeysymOf(HotKey key) {
    return key == HotKey::AltD   ? XK_d
           : key == HotKey::AltH ? XK_h
           : key == HotKey::AltZ ? XK_z
           : key == HotKey::AltC ? XK_c
                                 : XK_s;
  }

  std::unique_ptr<LinuxPlatform> platform_;
  Display* other_ = nullptr;  // the other program's connection
  ::Window patch_ = 0;        // its window showing a colour
};

}  // namespace velmora
