// The clipboard as plain text, sleeping and the shell's "Open".
#include <cstring>

#include "platform/win32/Win32Handles.h"

namespace velmora {

ClipboardResult Win32Platform::SetClipboardText(IWindow* owner, const std::string& utf8) {
  const std::string text = Ansi(utf8);
  ScopedClipboard clipboard(HwndOf(owner));
  if (!clipboard.IsOpen()) return ClipboardResult::Busy;
  ::EmptyClipboard();
  // The block must be movable and shareable: the clipboard keeps it after we
  // close it, and other programs lock it to read it.
  ScopedGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  if (block.Get() == nullptr) return ClipboardResult::Refused;
  void* memory = ::GlobalLock(block.Get());
  if (memory == nullptr) return ClipboardResult::Refused;
  std::memcpy(memory, text.c_str(), text.size() + 1);
  ::GlobalUnlock(block.Get());
  if (::SetClipboardData(CF_TEXT, block.Get()) == nullptr) return ClipboardResult::Refused;
  block.Release();  // the clipboard owns it now
  return ClipboardResult::Ok;
}

void Win32Platform::Pause(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds));
}

void Win32Platform::OpenAddress(IWindow* owner, const std::string& address) {
  ::ShellExecuteW(HwndOf(owner), L"Open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace velmora
