// Context menus of the main window: a popup menu at the pointer, tracked
// by the system until the user chooses or dismisses it.
#include "platform/win32/Win32Window.h"

namespace velmora {

namespace {

// A menu made by CreatePopupMenu, destroyed with its submenus.
class ScopedMenu {
 public:
  ScopedMenu() : menu_(::CreatePopupMenu()) {}
  ~ScopedMenu() {
    if (menu_ != nullptr) ::DestroyMenu(menu_);
  }
  ScopedMenu(const ScopedMenu&) = delete;
  ScopedMenu& operator=(const ScopedMenu&) = delete;
  HMENU Get() const { return menu_; }
  // The menu now belongs to a parent menu, destroyed with it.
  HMENU Release() {
    HMENU menu = menu_;
    menu_ = nullptr;
    return menu;
  }

 private:
  HMENU menu_;
};

void AddItems(HMENU menu, const std::vector<MenuItem>& items) {
  UINT position = 0;
  for (const MenuItem& item : items) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    info.fType = MFT_SEPARATOR;
    // NOTE: the menu takes '&' as the mark of a mnemonic; our texts mean it as it stands.
    WideText text;
    for (wchar_t c : Wide(item.text)) text += c == L'&' ? WideText(L"&&") : WideText(1, c);
    ScopedMenu submenu;
    if (!item.text.empty()) {
      info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
      info.fType = item.radio ? MFT_RADIOCHECK : MFT_STRING;
      info.fState = (item.checked ? MFS_CHECKED : MFS_UNCHECKED) |
                    (item.enabled ? MFS_ENABLED : MFS_DISABLED);
      info.wID = static_cast<UINT>(item.id);
      info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    }
    if (!item.submenu.empty()) {
      AddItems(submenu.Get(), item.submenu);
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = submenu.Get();
    }
    if (::InsertMenuItemW(menu, position++, TRUE, &info) && info.hSubMenu != nullptr) {
      submenu.Release();  // destroyed with its parent now
    }
  }
}

}  // namespace

int Win32Window::ShowMenu(const std::vector<MenuItem>& items) {
  if (state_.hwnd == nullptr) return 0;
  ScopedMenu menu;
  if (menu.Get() == nullptr) return 0;
  AddItems(menu.Get(), items);
  POINT at;
  if (!::GetCursorPos(&at)) at = state_.press;
  // NOTE: a menu whose window is not in the foreground stays open when the
  // user clicks elsewhere; the message posted after it makes the next one
  // close properly too (the documented workaround for TrackPopupMenu).
  ::SetForegroundWindow(state_.hwnd);
  const int chosen =
      static_cast<int>(::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                        at.x, at.y, 0, state_.hwnd, nullptr));
  ::PostMessageW(state_.hwnd, WM_NULL, 0, 0);
  return chosen;
}

}  // namespace velmora
