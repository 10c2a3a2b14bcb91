// The screen: the pointer's position and the device pixel under it, read
// from the root window, a block of pixels around it, and the primary monitor.
#include <X11/Xutil.h>

#include "platform/x11/X11Platform.h"

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

}  // namespace

PixelReading X11Platform::ReadPixelUnderPointer() {
  if (waylandScreen_ != nullptr) return waylandScreen_->Read();
  PixelBlock pixel;
  return ReadPixelAndBlockUnderPointer(0, pixel);
}

PixelReading X11Platform::ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) {
  if (waylandScreen_ != nullptr) return IPlatform::ReadPixelAndBlockUnderPointer(radius, block);
  PixelReading reading;
  if (displayGone_) {
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
  reading.color = CopyBlock(BlockAround(reading.position, radius), block) ? block.At(radius, radius)
                                                                          : kInvalidColor;
  return reading;
}

PixelBlock X11Platform::ReadPixelBlock(const Rect& area) {
  PixelBlock block;
  CopyBlock(area, block);
  return block;
}

bool X11Platform::CopyBlock(const Rect& area, PixelBlock& block) {
  block.area = area;
  block.pixels.assign(static_cast<std::size_t>(area.width * area.height), kOffScreenColor);
  if (displayGone_ || area.Empty()) return false;
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

Rect X11Platform::PrimaryScreen() {
  if (displayGone_) return Rect{};
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display_);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display_, 0);
  if (monitor == nullptr) return Rect{};
  GdkRectangle area{};
  gdk_monitor_get_geometry(monitor, &area);
  const int scale = gdk_monitor_get_scale_factor(monitor);
  return Rect{area.x * scale, area.y * scale, area.width * scale, area.height * scale};
}

}  // namespace velmora
