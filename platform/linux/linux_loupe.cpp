// The magnifier's loupe: a plain X window, override-redirect (above the
// others, never managed or focused), its image put in device pixels.
#include <X11/Xutil.h>

#include <cstdlib>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

// A colour as a pixel of the visual, by its masks.
unsigned long ToPixel(TColor color, const Visual* visual) {
  auto channel = [](int value, unsigned long mask) -> unsigned long {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long max = mask >> shift;
    return ((static_cast<unsigned long>(value) * max + 127) / 255) << shift;
  };
  return channel(color & 0xFF, visual->red_mask) |
         channel((color >> 8) & 0xFF, visual->green_mask) |
         channel((color >> 16) & 0xFF, visual->blue_mask);
}

class X11LoupeWindow : public ILoupeWindow {
 public:
  X11LoupeWindow(LinuxPlatform& platform, int side) : platform_(platform), side_(side) {
    Display* display = platform_.XDisplay();
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask;
    window_ =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(side),
                      static_cast<unsigned>(side), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect | CWBackPixmap | CWEventMask, &attributes);
    XStoreName(display, window_, "Velmora Magnifier");
    gc_ = XCreateGC(display, window_, 0, nullptr);
    const int depth = DefaultDepth(display, screen);
    char* data = static_cast<char*>(std::calloc(static_cast<std::size_t>(side * side), 4));
    image_ =
        XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(depth), ZPixmap,
                     0, data, static_cast<unsigned>(side), static_cast<unsigned>(side), 32, 0);
    gdk_window_add_filter(nullptr, OnEvent, this);
  }

  ~X11LoupeWindow() override {
    gdk_window_remove_filter(nullptr, OnEvent, this);
    if (image_ != nullptr) XDestroyImage(image_);
    if (!platform_.DisplayAlive()) return;
    Display* display = platform_.XDisplay();
    XFreeGC(display, gc_);
    XDestroyWindow(display, window_);
    XFlush(display);
  }

  void MoveTo(Point corner) override {
    if (!platform_.DisplayAlive()) return;
    XMoveWindow(platform_.XDisplay(), window_, corner.x, corner.y);
    XRaiseWindow(platform_.XDisplay(), window_);
    XFlush(platform_.XDisplay());
  }

  void ShowImage(const std::vector<TColor>& pixels) override {
    if (!platform_.DisplayAlive() || image_ == nullptr) return;
    Display* display = platform_.XDisplay();
    const Visual* visual = DefaultVisual(display, DefaultScreen(display));
    for (int y = 0; y < side_; ++y) {
      for (int x = 0; x < side_; ++x) {
        XPutPixel(image_, x, y, ToPixel(pixels[static_cast<std::size_t>(y * side_ + x)], visual));
      }
    }
    if (!mapped_) {
      XMapRaised(display, window_);
      mapped_ = true;
    }
    Put();
    XFlush(display);
  }

 private:
  void Put() {
    XPutImage(platform_.XDisplay(), window_, gc_, image_, 0, 0, 0, 0, static_cast<unsigned>(side_),
              static_cast<unsigned>(side_));
  }

  // Repaints what the X server lost of the window.
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
    auto* loupe = static_cast<X11LoupeWindow*>(self);
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if (event->xany.window != loupe->window_) return GDK_FILTER_CONTINUE;
    if (event->type == Expose && event->xexpose.count == 0 && loupe->platform_.DisplayAlive())
      loupe->Put();
    return GDK_FILTER_REMOVE;
  }

  LinuxPlatform& platform_;
  int side_;
  Window window_ = 0;
  GC gc_ = nullptr;
  XImage* image_ = nullptr;
  bool mapped_ = false;
};

}  // namespace

std::unique_ptr<ILoupeWindow> LinuxPlatform::CreateLoupeWindow(int side) {
  return std::make_unique<X11LoupeWindow>(*this, side);
}

}  // namespace velmora
