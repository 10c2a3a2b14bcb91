// The screen of an X11 session: the pointer's position and the device pixel
// under it, read from the root window, and a block of pixels around it.
#include <X11/Xutil.h>

#include "platform/x11/X11Screen.h"

namespace velmora {

namespace {

// One channel of a pixel, by the visual's mask, scaled to 0..255.
TColor Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long max = mask >> shift;
  const unsigned long value = (pixel & mask) >> shift;
  return static_cast<TColor>((value * 255 + max / 2) / max);
}

class X11Screen : public IScreenSource {
 public:
  X11Screen(GdkDisplay* display, const bool* displayGone)
      : display_(display), xdisplay_(GDK_DISPLAY_XDISPLAY(display)), displayGone_(displayGone) {}

  PixelReading ReadUnderPointer(int radius, PixelBlock* block) override;
  PixelBlock ReadBlock(const Rect& area) override;

 private:
  // Sets `block` to `area`: the part on the root window from one XGetImage
  // (false when nothing was read), the rest off-screen black.
  bool CopyBlock(const Rect& area, PixelBlock& block);

  GdkDisplay* display_;
  Display* xdisplay_;
  const bool* displayGone_;
};

}  // namespace

PixelReading X11Screen::ReadUnderPointer(int radius, PixelBlock* block) {
  PixelReading reading;
  if (*displayGone_) {
    reading.error = "The X display is gone";
    return reading;
  }
  Window rootReturn = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int winX = 0;
  int winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(xdisplay_, DefaultRootWindow(xdisplay_), &rootReturn, &child, &rootX, &rootY,
                     &winX, &winY, &mask)) {
    reading.error = "The pointer is on another screen";
    return reading;
  }
  reading.ok = true;
  reading.position = Point{rootX, rootY};
  // The pointer is on the root window, so a read of the block holds its pixel.
  PixelBlock pixel;
  PixelBlock& read = block != nullptr ? *block : pixel;
  const int side = radius > 0 ? radius : 0;
  reading.color =
      CopyBlock(BlockAround(reading.position, side), read) ? read.At(side, side) : kInvalidColor;
  return reading;
}

PixelBlock X11Screen::ReadBlock(const Rect& area) {
  PixelBlock block;
  CopyBlock(area, block);
  return block;
}

bool X11Screen::CopyBlock(const Rect& area, PixelBlock& block) {
  block.area = area;
  block.pixels.assign(static_cast<std::size_t>(area.width * area.height), kOffScreenColor);
  if (*displayGone_ || area.Empty()) return false;
  const int screen = DefaultScreen(xdisplay_);
  const Rect root{0, 0, DisplayWidth(xdisplay_, screen), DisplayHeight(xdisplay_, screen)};
  const Rect inside = area.Intersect(root);
  if (inside.Empty()) return false;
  // One read of the part on the root window; the rest stays off-screen black.
  // NOTE: a read outside the root window fails with BadMatch; trapped, it
  // gives an unreadable block instead of ending the program.
  gdk_x11_display_error_trap_push(display_);
  XImage* image = XGetImage(xdisplay_, DefaultRootWindow(xdisplay_), inside.x, inside.y,
                            static_cast<unsigned>(inside.width),
                            static_cast<unsigned>(inside.height), AllPlanes, ZPixmap);
  gdk_x11_display_error_trap_pop_ignored(display_);
  if (image == nullptr) return false;
  Visual* visual = DefaultVisual(xdisplay_, screen);
  for (int y = 0; y < inside.height; ++y) {
    for (int x = 0; x < inside.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      block.pixels[static_cast<std::size_t>((inside.y - area.y + y) * area.width + inside.x -
                                            area.x + x)] =
          Channel(pixel, visual->red_mask) | (Channel(pixel, visual->green_mask) << 8) |
          (Channel(pixel, visual->blue_mask) << 16);
    }
  }
  XDestroyImage(image);
  return true;
}

std::unique_ptr<IScreenSource> CreateX11Screen(GdkDisplay* display, const bool* displayGone) {
  return std::make_unique<X11Screen>(display, displayGone);
}

}  // namespace velmora
