// Global atoms, system-wide hot keys, the clipboard as plain text and the
// shell's "Open".
#include <cstring>

#include "platform/win32/Win32Handles.h"

namespace velmora {

namespace {
HWND ToHwnd(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}
}  // namespace

std::uint16_t Win32Platform::AddGlobalAtom(const std::string& name) {
  return ::GlobalAddAtomA(name.c_str());
}

void Win32Platform::DeleteGlobalAtom(std::uint16_t atom) {
  ::GlobalDeleteAtom(atom);
}

bool Win32Platform::RegisterHotKey(WindowHandle w, int id, unsigned modifiers, unsigned vk) {
  return ::RegisterHotKey(ToHwnd(w), id, modifiers, vk) != FALSE;
}

bool Win32Platform::UnregisterHotKey(WindowHandle w, int id) {
  return ::UnregisterHotKey(ToHwnd(w), id) != FALSE;
}

bool Win32Platform::OpenClipboard(WindowHandle owner) {
  return ::OpenClipboard(ToHwnd(owner)) != FALSE;
}

bool Win32Platform::EmptyClipboard() {
  return ::EmptyClipboard() != FALSE;
}

bool Win32Platform::SetClipboardText(const std::string& text) {
  // The block must be movable and shareable: the clipboard keeps it after we
  // close it, and other programs lock it to read it.
  ScopedGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  if (block.Get() == nullptr) return false;
  void* memory = ::GlobalLock(block.Get());
  if (memory == nullptr) return false;
  std::memcpy(memory, text.c_str(), text.size() + 1);
  ::GlobalUnlock(block.Get());
  if (::SetClipboardData(CF_TEXT, block.Get()) == nullptr) return false;
  block.Release();  // the clipboard owns it now
  return true;
}

void Win32Platform::CloseClipboard() {
  ::CloseClipboard();
}

void Win32Platform::Sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds));
}

void Win32Platform::ShellOpen(WindowHandle owner, const std::string& address) {
  ::ShellExecuteA(ToHwnd(owner), "Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace velmora
