// A small Windows-side helper for the end-to-end tests, run under Wine:
//   e2e_helper.exe hold-clipboard SECONDS   opens the clipboard, prints "held",
//                                           keeps it open SECONDS, closes it
//   e2e_helper.exe dialog-texts CAPTION     prints "class|text" for every child
//                                           window of the dialog box CAPTION
//   e2e_helper.exe clipboard-owner CAPTION  prints "X Y", the top-left corner of
//                                           the top-level window CAPTION of the
//                                           process that owns the clipboard
//   e2e_helper.exe show-picture PPM X Y     shows the binary PPM picture pixel
//                                           for pixel in a window named
//                                           "velmora-e2e-neighbours" at device
//                                           point (X, Y) until it is killed
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
__declspec(dllimport) int __stdcall SetProcessDPIAware();
__declspec(dllimport) void* __stdcall CreateWindowExA(unsigned long ex_style, const char* class_name,
                                                      const char* caption, unsigned long style, int x,
                                                      int y, int width, int height, void* parent,
                                                      void* menu, void* instance, void* param);
__declspec(dllimport) std::intptr_t __stdcall SendMessageA(void* window, unsigned message,
                                                           std::uintptr_t wparam, std::intptr_t lparam);
__declspec(dllimport) int __stdcall GetMessageA(void* msg, void* window, unsigned first, unsigned last);
__declspec(dllimport) std::intptr_t __stdcall DispatchMessageA(const void* msg);
__declspec(dllimport) void* __stdcall CreateBitmap(int width, int height, unsigned planes,
                                                   unsigned bits_per_pixel, const void* bits);
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

// A picture in a window of Wine's own, so that Wine follows the pointer over
// it as it does over any of its windows: a static control showing a bitmap.
int ShowPicture(const char* path, int x, int y) {
  std::FILE* in = std::fopen(path, "rb");
  if (!in) return 2;
  int width = 0, height = 0, maximum = 0;
  // "P6 W H 255" and one blank, then the pixels
  const bool header = std::fscanf(in, "P6 %d %d %d", &width, &height, &maximum) == 3 &&
                      std::fgetc(in) != EOF && width > 0 && height > 0 && maximum == 255;
  std::vector<unsigned char> rgb(header ? static_cast<std::size_t>(width) * height * 3 : 0);
  const bool read = header && std::fread(rgb.data(), 1, rgb.size(), in) == rgb.size();
  std::fclose(in);
  if (!read) return 2;
  std::vector<std::uint32_t> bgrx(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < bgrx.size(); ++i)
    bgrx[i] = (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  SetProcessDPIAware();  // device pixels, whatever the DPI
  const unsigned long kPopupVisible = 0x80000000ul | 0x10000000ul;  // WS_POPUP | WS_VISIBLE
  const unsigned long kBitmapStatic = 0x0Eul;                       // SS_BITMAP
  const unsigned long kToolTopmost = 0x00000080ul | 0x00000008ul;   // WS_EX_TOOLWINDOW | WS_EX_TOPMOST
  void* window = CreateWindowExA(kToolTopmost, "STATIC", "velmora-e2e-neighbours",
                                 kPopupVisible | kBitmapStatic, x, y, width, height, nullptr, nullptr,
                                 nullptr, nullptr);
  void* bitmap = CreateBitmap(width, height, 1, 32, bgrx.data());
  if (!window || !bitmap) return 3;
  const unsigned kSetImage = 0x0172;  // STM_SETIMAGE, IMAGE_BITMAP = 0
  SendMessageA(window, kSetImage, 0, reinterpret_cast<std::intptr_t>(bitmap));
  alignas(8) unsigned char msg[64];  // a MSG, whose fields this loop never reads
  while (GetMessageA(msg, nullptr, 0, 0) > 0) DispatchMessageA(msg);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "hold-clipboard") == 0)
    return HoldClipboard(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "dialog-texts") == 0) return PrintDialogTexts(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "clipboard-owner") == 0)
    return PrintClipboardOwner(argv[2]);
  if (argc == 5 && std::strcmp(argv[1], "show-picture") == 0)
    return ShowPicture(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  std::fputs(
      "usage: e2e_helper hold-clipboard SECONDS | dialog-texts CAPTION | clipboard-owner CAPTION"
      " | show-picture PPM X Y\n",
      stderr);
  return 64;
}
