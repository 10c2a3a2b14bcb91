// Hot keys: Alt+D, Alt+H and Alt+S (and Alt+Z, Alt+C once turned on) grabbed on the root window,
// with and without NumLock and CapsLock, grabbed again when the keyboard map changes.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <vector>

#include "platform/x11/X11KeyGrabs.h"

namespace velmora {

namespace {

guint KeyvalOf(HotKey key) {
  switch (key) {
    case HotKey::AltD:
      return GDK_KEY_d;
    case HotKey::AltH:
      return GDK_KEY_h;
    case HotKey::AltS:
      return GDK_KEY_s;
    case HotKey::AltZ:
      return GDK_KEY_z;
    case HotKey::AltC:
      return GDK_KEY_c;
  }
  return 0;
}

// The key codes that type `keyval` in the keyboard's current map.
std::vector<int> KeycodesOf(GdkDisplay* display, guint keyval) {
  std::vector<int> codes;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                        &count)) {
    for (gint i = 0; i < count; ++i) {
      if (keys[i].group != 0) continue;
      bool seen = false;
      for (int code : codes) seen = seen || code == static_cast<int>(keys[i].keycode);
      if (!seen) codes.push_back(static_cast<int>(keys[i].keycode));
    }
    g_free(keys);
  }
  return codes;
}

}  // namespace

// Which modifier bit NumLock sets in this keyboard's map (0: none).
unsigned X11KeyGrabs::NumLockMask() {
  const KeyCode numLock = XKeysymToKeycode(xdisplay_, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(xdisplay_);
  unsigned mask = 0;
  if (map == nullptr) return 0;
  for (int mod = 0; mod < 8 && numLock != 0; ++mod) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (map->modifiermap[mod * map->max_keypermod + k] == numLock) mask = 1u << mod;
    }
  }
  XFreeModifiermap(map);
  return mask;
}

std::array<unsigned, 4> X11KeyGrabs::AltVariants() {
  const unsigned numLock = NumLockMask();
  return {Mod1Mask, Mod1Mask | LockMask, Mod1Mask | numLock, Mod1Mask | numLock | LockMask};
}

X11KeyGrabs::X11KeyGrabs(GdkDisplay* display, std::function<void(HotKey)> pressed)
    : display_(display), xdisplay_(GDK_DISPLAY_XDISPLAY(display)), pressed_(std::move(pressed)) {
  gdk_window_add_filter(gdk_get_default_root_window(), FilterRootEvent, this);
  g_signal_connect(gdk_keymap_get_for_display(display_), "keys-changed", G_CALLBACK(OnKeysChanged),
                   this);
}

X11KeyGrabs::~X11KeyGrabs() {
  if (displayGone_) return;
  while (!grabs_.empty()) Ungrab(grabs_.begin()->first);
  gdk_window_remove_filter(gdk_get_default_root_window(), FilterRootEvent, this);
  g_signal_handlers_disconnect_by_data(gdk_keymap_get_for_display(display_), this);
}

bool X11KeyGrabs::GrabKeys(Grabbed& grab) {
  const Window root = DefaultRootWindow(xdisplay_);
  const std::vector<int> codes = KeycodesOf(display_, grab.keyval);
  grab.codes.clear();
  if (codes.empty()) return false;
  const std::array<unsigned, 4> variants = AltVariants();
  gdk_x11_display_error_trap_push(display_);
  for (int code : codes) {
    for (unsigned modifiers : variants) {
      XGrabKey(xdisplay_, code, modifiers, root, False, GrabModeAsync, GrabModeAsync);
    }
  }
  XSync(xdisplay_, False);
  // BadAccess: another program holds one of the combinations.
  const bool ok = gdk_x11_display_error_trap_pop(display_) == 0;
  if (!ok) {
    UngrabKeys(grab);
    return false;
  }
  grab.codes = codes;
  grab.modifiers = variants;
  return true;
}

void X11KeyGrabs::UngrabKeys(const Grabbed& grab) {
  const Window root = DefaultRootWindow(xdisplay_);
  gdk_x11_display_error_trap_push(display_);
  // NOTE: releasing a grab another client holds does nothing; only ours go.
  for (int code : KeycodesOf(display_, grab.keyval)) {
    for (unsigned modifiers : AltVariants()) XUngrabKey(xdisplay_, code, modifiers, root);
  }
  XSync(xdisplay_, False);
  gdk_x11_display_error_trap_pop_ignored(display_);
}

bool X11KeyGrabs::Grab(HotKey key) {
  Grabbed& grab = grabs_[key];
  if (grab.granted) return true;
  grab.keyval = KeyvalOf(key);
  grab.granted = !displayGone_ && GrabKeys(grab);
  return grab.granted;
}

void X11KeyGrabs::Ungrab(HotKey key) {
  auto it = grabs_.find(key);
  if (it == grabs_.end()) return;
  if (it->second.granted && !displayGone_) UngrabKeys(it->second);
  grabs_.erase(it);
}

// After a change of the keyboard map the letters may sit on other keys.
void X11KeyGrabs::RegrabAll() {
  if (displayGone_) return;
  // NOTE: GDK reports a change also when no key moved: on a fresh X server
  // the first key that xdotool sends (through XTEST) brings one. Letting go
  // of the grabs then could lose that very key's next press, made while they
  // are being taken again (a first Alt+H was lost so under the sanitizer).
  bool moved = false;
  const std::array<unsigned, 4> variants = AltVariants();
  for (const auto& entry : grabs_) {
    const Grabbed& grab = entry.second;
    moved = moved || (grab.granted && (KeycodesOf(display_, grab.keyval) != grab.codes ||
                                       variants != grab.modifiers));
  }
  if (!moved) return;
  // Grabs on keys that moved stay with their old codes, so every grab of ours
  // on the root goes first (the X server drops only this client's).
  gdk_x11_display_error_trap_push(display_);
  XUngrabKey(xdisplay_, AnyKey, AnyModifier, DefaultRootWindow(xdisplay_));
  XSync(xdisplay_, False);
  gdk_x11_display_error_trap_pop_ignored(display_);
  // NOTE: only the keys we held are taken again. A key another program held
  // stays refused, as on Windows: a second copy of Velmora, told of the same
  // change, would otherwise race the first for its keys while it regrabs.
  for (auto& entry : grabs_) {
    Grabbed& grab = entry.second;
    if (grab.granted) grab.granted = GrabKeys(grab);
  }
}

void X11KeyGrabs::OnKeysChanged(GdkKeymap*, gpointer self) {
  static_cast<X11KeyGrabs*>(self)->RegrabAll();
}

GdkFilterReturn X11KeyGrabs::FilterRootEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto* keys = static_cast<X11KeyGrabs*>(self);
  const XEvent* event = static_cast<const XEvent*>(xevent);
  if (event->type != KeyPress) return GDK_FILTER_CONTINUE;
  const unsigned relevant = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
  if ((event->xkey.state & relevant) != Mod1Mask) return GDK_FILTER_CONTINUE;
  for (const auto& entry : keys->grabs_) {
    const Grabbed& grab = entry.second;
    if (!grab.granted) continue;
    for (int code : KeycodesOf(keys->display_, grab.keyval)) {
      if (code != static_cast<int>(event->xkey.keycode)) continue;
      keys->pressed_(entry.first);
      return GDK_FILTER_REMOVE;
    }
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace velmora
