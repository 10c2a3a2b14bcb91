// Alt+D, Alt+H and Alt+S from XTEST input (xdotool), whatever the lock keys,
// after a change of the keyboard map, and when another program holds one.
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/keysym.h>

#include <cstdlib>

namespace velmora {
namespace {

class HotKeys : public X11Test {
 protected:
  // Sends keys with xdotool and waits for the hot key ids that reach the form.
  std::vector<int> Press(const std::string& keys, size_t expected) {
    form.hotKeys.clear();
    EXPECT_EQ(std::system(("xdotool key " + keys).c_str()), 0);
    PumpUntil([&] { return form.hotKeys.size() >= expected; });
    PumpPending();
    return form.hotKeys;
  }
};

TEST_F(HotKeys, FireWithNumLockAndCapsLockOnOrOff) {
  struct Case {
    const char* locks;  // lock keys toggled before and after
    const char* keys;
    HotKey key;
  };
  const Case cases[] = {{"", "alt+h", HotKey::AltH},
                        {"Num_Lock", "alt+d", HotKey::AltD},
                        {"Caps_Lock", "alt+s", HotKey::AltS},
                        {"Num_Lock Caps_Lock", "alt+h", HotKey::AltH}};
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    int ids[3];
    for (HotKey key : {HotKey::AltD, HotKey::AltH, HotKey::AltS}) {
      const HotKeyRegistration r = w.BindHotKey(key);
      ASSERT_TRUE(r.registered);
      ids[static_cast<int>(key)] = r.id;
    }
    for (const Case& c : cases) {
      const std::string locks = c.locks;
      if (!locks.empty()) {
        ASSERT_EQ(std::system(("xdotool key " + locks).c_str()), 0);
      }
      EXPECT_EQ(Press(c.keys, 1), std::vector<int>{ids[static_cast<int>(c.key)]})
          << c.keys << " with " << (locks.empty() ? "no locks" : c.locks);
      if (!locks.empty()) {
        ASSERT_EQ(std::system(("xdotool key " + locks).c_str()), 0);
      }
    }
    // Without Alt, or with Ctrl too, the letter is the user's.
    EXPECT_TRUE(Press("h ctrl+alt+h", 2).empty());
    // An unregistered key no longer fires.
    w.UnbindHotKey(ids[static_cast<int>(HotKey::AltH)]);
    EXPECT_EQ(Press("alt+h alt+d", 2), std::vector<int>{ids[static_cast<int>(HotKey::AltD)]});
  });
}

TEST_F(HotKeys, StillFireAfterTheKeyboardMapChanges) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const int d = w.BindHotKey(HotKey::AltD).id;
    const int s = w.BindHotKey(HotKey::AltS).id;
    // On Dvorak, D and S sit on other keys than on a US keyboard.
    ASSERT_EQ(std::system("setxkbmap -layout us -variant dvorak"), 0);
    PumpPending();
    EXPECT_EQ(Press("alt+d alt+s", 2), (std::vector<int>{d, s}));
    ASSERT_EQ(std::system("setxkbmap -layout us"), 0);
    PumpPending();
    EXPECT_EQ(Press("alt+s", 1), std::vector<int>{s});
  });
}

TEST_F(HotKeys, AKeyAnotherProgramHoldsIsNotRegisteredAndTheOthersWork) {
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const Window root = DefaultRootWindow(other);
  XGrabKey(other, XKeysymToKeycode(other, XK_s), Mod1Mask, root, False, GrabModeAsync,
           GrabModeAsync);
  XSync(other, False);
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const HotKeyRegistration d = w.BindHotKey(HotKey::AltD);
    const HotKeyRegistration s = w.BindHotKey(HotKey::AltS);
    const HotKeyRegistration h = w.BindHotKey(HotKey::AltH);
    EXPECT_TRUE(d.registered);
    EXPECT_FALSE(s.registered);
    EXPECT_TRUE(h.registered);
    EXPECT_EQ(Press("alt+s alt+d", 1), std::vector<int>{d.id});
    // Our failed attempt left the other program's grab alone.
    XEvent event;
    bool delivered = false;
    PumpUntil([&] {
      while (XPending(other)) {
        XNextEvent(other, &event);
        delivered = delivered || event.type == KeyPress;
      }
      return delivered;
    });
    EXPECT_TRUE(delivered);
    // Once the other program lets go, a change of the keyboard map does not
    // make the refused key ours: it stays with whoever takes it first.
    XUngrabKey(other, XKeysymToKeycode(other, XK_s), Mod1Mask, root);
    XSync(other, False);
    for (const char* layout : {"setxkbmap -layout us -variant dvorak", "setxkbmap -layout us"}) {
      ASSERT_EQ(std::system(layout), 0);
      PumpPending();
    }
    EXPECT_EQ(Press("alt+s alt+d", 1), std::vector<int>{d.id});
  });
  XCloseDisplay(other);
}

}  // namespace
}  // namespace velmora
