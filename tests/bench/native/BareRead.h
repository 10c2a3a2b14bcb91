// The bare read every native tick is measured against: the pointer's
// position and the pixel under it, from the root window, with plain Xlib.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// The pixel under the pointer as the X server stores it (0 if unreadable).
inline unsigned long BareReadPixel(Display* display) {
  const Window root = DefaultRootWindow(display);
  Window rootReturn = 0;
  Window child = 0;
  int x = 0;
  int y = 0;
  int winX = 0;
  int winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(display, root, &rootReturn, &child, &x, &y, &winX, &winY, &mask)) return 0;
  XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return pixel;
}
