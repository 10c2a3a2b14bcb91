// The screen of an X11 session: the pointer from XQueryPointer, pixels from
// XGetImage of the root window.
#pragma once

#include <gdk/gdkx.h>

#include <memory>

#include "platform/linux/ScreenSource.h"

namespace velmora {

// Reads `display`'s root window while `*displayGone` is false.
std::unique_ptr<IScreenSource> CreateX11Screen(GdkDisplay* display, const bool* displayGone);

}  // namespace velmora
