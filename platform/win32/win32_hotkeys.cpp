// System-wide hot keys of the main window.
//
// The identifiers come from a global atom, as they always have: every
// registration adds a reference to the atom "VelmoraHotKey" and takes the
// atom's value less 0xC000 (Alt+D), 0xC001 (Alt+H) or 0xC002 (Alt+S); giving
// a key up unregisters it and drops that reference again. A second copy of
// the program so gets the same identifiers (and none of the keys). Alt+Z and
// Alt+C, which the user turns on, take the atom's value less 0xBFF0 and 0xBFEF
// (16 and 17 above the others), so no two keys share an identifier.
#include "platform/win32/Win32Window.h"

namespace velmora {

namespace {

constexpr char kHotKeyAtomName[] = "VelmoraHotKey";

struct KeyBinding {
  int atomOffset;
  UINT virtualKey;
};

KeyBinding BindingOf(HotKey key) {
  switch (key) {
    case HotKey::AltD:
      return {0xC000, 'D'};
    case HotKey::AltH:
      return {0xC001, 'H'};
    case HotKey::AltZ:
      return {0xBFF0, 'Z'};
    case HotKey::AltC:
      return {0xBFEF, 'C'};
    case HotKey::AltS:
      break;
  }
  return {0xC002, 'S'};
}

}  // namespace

HotKeyRegistration Win32Window::BindHotKey(HotKey key) {
  const KeyBinding binding = BindingOf(key);
  const ATOM atom = ::GlobalAddAtomA(kHotKeyAtomName);
  HotKeyRegistration registration;
  registration.id = atom - binding.atomOffset;
  registration.registered =
      state_.hwnd != nullptr &&
      ::RegisterHotKey(state_.hwnd, registration.id, MOD_ALT, binding.virtualKey) != FALSE;
  auto known = state_.hotKeys.find(registration.id);
  if (known != state_.hotKeys.end()) {
    ::GlobalDeleteAtom(known->second);  // one reference per identifier
    known->second = atom;
  } else {
    state_.hotKeys.emplace(registration.id, atom);
  }
  return registration;
}

void Win32Window::UnbindHotKey(int id) {
  if (state_.hwnd != nullptr) ::UnregisterHotKey(state_.hwnd, id);
  auto known = state_.hotKeys.find(id);
  if (known == state_.hotKeys.end()) return;
  ::GlobalDeleteAtom(known->second);
  state_.hotKeys.erase(known);
}

void Win32Window::ReleaseHotKeys() {
  while (!state_.hotKeys.empty()) UnbindHotKey(state_.hotKeys.begin()->first);
}

}  // namespace velmora
