// The yardstick for CPU at rest: a Win32 program that only reads the pixel
// under the pointer ten times a second (a 100 ms timer, GetCursorPos, GetDC,
// GetPixel, ReleaseDC), built and launched like Velmora.exe. It has no
// window and runs until it is killed.
#include <windows.h>

namespace {

// The last pixel read, kept where the compiler cannot drop the read.
volatile COLORREF lastPixel = 0;

void CALLBACK ReadPixel(HWND, UINT, UINT_PTR, DWORD) {
  POINT p;
  if (!::GetCursorPos(&p)) return;
  const HDC screen = ::GetDC(nullptr);
  lastPixel = ::GetPixel(screen, p.x, p.y);
  ::ReleaseDC(nullptr, screen);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ::SetTimer(nullptr, 0, 100, ReadPixel);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  return 0;
}
