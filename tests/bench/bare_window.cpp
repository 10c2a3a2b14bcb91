// The yardstick for start-up: a Win32 program that only shows one window,
// built and launched like Velmora.exe.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "VelmoraBareWindow";
  ::RegisterClassA(&wc);
  const HWND hwnd = ::CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Velmora bare window",
                                      WS_POPUP, 376, 153, 272, 32, nullptr, nullptr, instance,
                                      nullptr);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  return 0;
}
