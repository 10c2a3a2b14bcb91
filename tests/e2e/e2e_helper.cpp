// A small Windows-side helper for the end-to-end tests, run under Wine:
//   e2e_helper.exe hold-clipboard SECONDS   opens the clipboard, prints "held",
//                                           keeps it open SECONDS, closes it
//   e2e_helper.exe dialog-texts CAPTION     prints "class|text" for every child
//                                           window of the dialog box CAPTION
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The few user32/kernel32 calls it needs, declared by hand so that this test
// helper stays out of the system header (only the Win32 backend includes it).
extern "C" {
using EnumChildProc = int(__stdcall*)(void* window, long data);
__declspec(dllimport) int __stdcall OpenClipboard(void* owner);
__declspec(dllimport) int __stdcall CloseClipboard();
__declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
__declspec(dllimport) void* __stdcall FindWindowA(const char* class_name, const char* caption);
__declspec(dllimport) int __stdcall EnumChildWindows(void* parent, EnumChildProc proc, long data);
__declspec(dllimport) int __stdcall GetWindowTextA(void* window, char* text, int size);
__declspec(dllimport) int __stdcall GetClassNameA(void* window, char* text, int size);
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

int __stdcall PrintChild(void* window, long) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "hold-clipboard") == 0)
    return HoldClipboard(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "dialog-texts") == 0) return PrintDialogTexts(argv[2]);
  std::fputs("usage: e2e_helper hold-clipboard SECONDS | dialog-texts CAPTION\n", stderr);
  return 64;
}
