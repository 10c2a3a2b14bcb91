// A small Windows-side helper for the end-to-end tests, run under Wine:
//   e2e_helper.exe hold-clipboard SECONDS   opens the clipboard, prints "held",
//                                           keeps it open SECONDS, closes it
//   e2e_helper.exe dialog-texts CAPTION     prints "class|text" for every child
//                                           window of the dialog box CAPTION
//   e2e_helper.exe clipboard-owner CAPTION  prints "X Y", the top-left corner of
//                                           the top-level window CAPTION of the
//                                           process that owns the clipboard
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The few user32/kernel32 calls it needs, declared by hand so that this test
// helper stays out of the system header (only the Win32 backend includes it).
extern "C" {
using EnumChildProc = int(__stdcall*)(void* window, std::intptr_t data);
struct WinRect {
  long left, top, right, bottom;
};
__declspec(dllimport) int __stdcall OpenClipboard(void* owner);
__declspec(dllimport) int __stdcall CloseClipboard();
__declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
__declspec(dllimport) void* __stdcall FindWindowA(const char* class_name, const char* caption);
__declspec(dllimport) int __stdcall EnumChildWindows(void* parent, EnumChildProc proc, std::intptr_t data);
__declspec(dllimport) int __stdcall GetWindowTextA(void* window, char* text, int size);
__declspec(dllimport) int __stdcall GetClassNameA(void* window, char* text, int size);
__declspec(dllimport) void* __stdcall GetClipboardOwner();
__declspec(dllimport) unsigned long __stdcall GetWindowThreadProcessId(void* window,
                                                                      unsigned long* process);
__declspec(dllimport) int __stdcall EnumWindows(EnumChildProc proc, std::intptr_t data);
__declspec(dllimport) int __stdcall GetWindowRect(void* window, WinRect* rect);
}

namespace {

int HoldClipboard(int seconds) {
  if (!OpenClipboard(nullptr)) {
    std::puts("busy");
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  Sleep(static_cast<unsigned long>(seconds) * 1000);
  CloseClipboard();
  return 0;
}

int __stdcall PrintChild(void* window, std::intptr_t) {
  char class_name[256] = "";
  char text[1024] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, text, sizeof text);
  std::printf("%s|%s\n", class_name, text);
  return 1;
}

int PrintDialogTexts(const char* caption) {
  // "#32770" is the class of dialog boxes, message boxes among them.
  void* window = FindWindowA("#32770", caption);
  if (!window) return 2;
  EnumChildWindows(window, PrintChild, 0);
  return 0;
}

struct OwnerSearch {
  unsigned long process;
  const char* caption;
  int found;
};

int __stdcall PrintIfOwnersWindow(void* window, std::intptr_t data) {
  auto* search = reinterpret_cast<OwnerSearch*>(data);
  unsigned long process = 0;
  GetWindowThreadProcessId(window, &process);
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  WinRect rect{};
  if (process != search->process || std::strcmp(text, search->caption) != 0 ||
      !GetWindowRect(window, &rect))
    return 1;
  std::printf("%ld %ld\n", rect.left, rect.top);
  search->found = 1;
  return 0;
}

int PrintClipboardOwner(const char* caption) {
  void* owner = GetClipboardOwner();
  if (!owner) return 2;
  OwnerSearch search{0, caption, 0};
  GetWindowThreadProcessId(owner, &search.process);
  EnumWindows(PrintIfOwnersWindow, reinterpret_cast<std::intptr_t>(&search));
  return search.found ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "hold-clipboard") == 0)
    return HoldClipboard(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "dialog-texts") == 0) return PrintDialogTexts(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "clipboard-owner") == 0)
    return PrintClipboardOwner(argv[2]);
  std::fputs(
      "usage: e2e_helper hold-clipboard SECONDS | dialog-texts CAPTION | clipboard-owner CAPTION\n",
      stderr);
  return 64;
}
