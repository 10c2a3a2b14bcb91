// The global hot keys of an X11 display: Alt+letter grabbed on the root
// window with and without NumLock and CapsLock, grabbed again when the
// keyboard map moves a letter. Presses are reported through `pressed` on the
// main loop.
#pragma once

#include <gdk/gdkx.h>

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

class X11KeyGrabs {
 public:
  X11KeyGrabs(GdkDisplay* display, std::function<void(HotKey)> pressed);
  // Lets go of every grab (unless the display is gone).
  ~X11KeyGrabs();
  X11KeyGrabs(const X11KeyGrabs&) = delete;
  X11KeyGrabs& operator=(const X11KeyGrabs&) = delete;

  // False when another program holds one of the combinations.
  bool Grab(HotKey key);
  void Ungrab(HotKey key);
  // The X connection is gone: nothing may be asked of it any more.
  void DisplayGone() { displayGone_ = true; }

 private:
  // A key grabbed and not released.
  struct Grabbed {
    guint keyval = 0;
    bool granted = false;  // the X server gave us every grab of it
    // What it was granted on: the key codes and the Alt variants' modifiers.
    std::vector<int> codes;
    std::array<unsigned, 4> modifiers{};
  };

  bool GrabKeys(Grabbed& grab);
  void UngrabKeys(const Grabbed& grab);
  void RegrabAll();
  unsigned NumLockMask();
  // Alt with every combination of NumLock and CapsLock.
  std::array<unsigned, 4> AltVariants();
  static GdkFilterReturn FilterRootEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  static void OnKeysChanged(GdkKeymap* keymap, gpointer self);

  GdkDisplay* display_;
  Display* xdisplay_;
  std::function<void(HotKey)> pressed_;
  std::map<HotKey, Grabbed> grabs_;
  bool displayGone_ = false;
};

}  // namespace velmora
