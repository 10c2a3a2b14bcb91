// Hot keys: Alt+D, Alt+H and Alt+S (and Alt+Z, Alt+C once turned on) grabbed on the root window,
// with and without NumLock and CapsLock, grabbed again when the keyboard map changes.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <vector>

#include "platform/x11/X11Platform.h"

namespace velmora {

namespace {

// Stable identifiers of the three keys.
int IdOf(HotKey key) {
  switch (key) {
    case HotKey::AltD:
      return 1;
    case HotKey::AltH:
      return 2;
    case HotKey::AltS:
      return 3;
    case HotKey::AltZ:
      return 4;
    case HotKey::AltC:
      return 5;
  }
  return 0;
}

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
unsigned X11Platform::NumLockMask() {
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

std::array<unsigned, 4> X11Platform::AltVariants() {
  const unsigned numLock = NumLockMask();
  return {Mod1Mask, Mod1Mask | LockMask, Mod1Mask | numLock, Mod1Mask | numLock | LockMask};
}

void X11Platform::WatchKeyboard() {
  if (keyboardWatched_) return;
  keyboardWatched_ = true;
  gdk_window_add_filter(gdk_get_default_root_window(), FilterRootEvent, this);
  g_signal_connect(gdk_keymap_get_for_display(display_), "keys-changed", G_CALLBACK(OnKeysChanged),
                   this);
}

void X11Platform::UnwatchKeyboard() {
  if (!keyboardWatched_) return;
  keyboardWatched_ = false;
  gdk_window_remove_filter(gdk_get_default_root_window(), FilterRootEvent, this);
  g_signal_handlers_disconnect_by_data(gdk_keymap_get_for_display(display_), this);
}

bool X11Platform::GrabKeys(Grab& grab) {
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

void X11Platform::UngrabKeys(const Grab& grab) {
  const Window root = DefaultRootWindow(xdisplay_);
  gdk_x11_display_error_trap_push(display_);
  // NOTE: releasing a grab another client holds does nothing; only ours go.
  for (int code : KeycodesOf(display_, grab.keyval)) {
    for (unsigned modifiers : AltVariants()) XUngrabKey(xdisplay_, code, modifiers, root);
  }
  XSync(xdisplay_, False);
  gdk_x11_display_error_trap_pop_ignored(display_);
}

HotKeyRegistration X11Platform::GrabHotKey(HotKey key) {
  const int id = IdOf(key);
  Grab& grab = grabs_[id];
  if (grab.granted) return HotKeyRegistration{id, true};
  grab.keyval = KeyvalOf(key);
  grab.granted = !displayGone_ && GrabKeys(grab);
  return HotKeyRegistration{id, grab.granted};
}

void X11Platform::UngrabHotKey(int id) {
  auto it = grabs_.find(id);
  if (it == grabs_.end()) return;
  if (it->second.granted && !displayGone_) UngrabKeys(it->second);
  grabs_.erase(it);
}

void X11Platform::UngrabAllHotKeys() {
  while (!grabs_.empty()) UngrabHotKey(grabs_.begin()->first);
}

// After a change of the keyboard map the letters may sit on other keys.
void X11Platform::RegrabAll() {
  if (displayGone_) return;
  // NOTE: GDK reports a change also when no key moved: on a fresh X server
  // the first key that xdotool sends (through XTEST) brings one. Letting go
  // of the grabs then could lose that very key's next press, made while they
  // are being taken again (a first Alt+H was lost so under the sanitizer).
  bool moved = false;
  const std::array<unsigned, 4> variants = AltVariants();
  for (const auto& entry : grabs_) {
    const Grab& grab = entry.second;
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
    Grab& grab = entry.second;
    if (grab.granted) grab.granted = GrabKeys(grab);
  }
}

void X11Platform::PressHotKey(HotKey key) {
  if (window_ != nullptr) window_->Dispatch().HotKey(IdOf(key));
}

void X11Platform::OnKeysChanged(GdkKeymap*, gpointer self) {
  static_cast<X11Platform*>(self)->RegrabAll();
}

GdkFilterReturn X11Platform::FilterRootEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto* platform = static_cast<X11Platform*>(self);
  const XEvent* event = static_cast<const XEvent*>(xevent);
  if (event->type != KeyPress) return GDK_FILTER_CONTINUE;
  const unsigned relevant = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
  if ((event->xkey.state & relevant) != Mod1Mask) return GDK_FILTER_CONTINUE;
  for (const auto& entry : platform->grabs_) {
    const Grab& grab = entry.second;
    if (!grab.granted) continue;
    for (int code : KeycodesOf(platform->display_, grab.keyval)) {
      if (code != static_cast<int>(event->xkey.keycode)) continue;
      if (platform->window_ != nullptr) platform->window_->Dispatch().HotKey(entry.first);
      return GDK_FILTER_REMOVE;
    }
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace velmora
