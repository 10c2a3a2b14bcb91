// The screen under the pointer, the primary screen's size and the system's
// error numbers and texts.
//
// The program is per-monitor DPI aware (see res/Velmora.manifest), so the
// pointer position and the screen device context both speak physical pixels:
// the pixel read is the one under the pointer on a scaled display too. The
// screen DC spans the whole virtual screen with its origin at the primary
// screen's top-left corner, so positions left of or above the primary screen
// (negative coordinates) read from the other monitors as they are.
#include "platform/win32/Win32Platform.h"

namespace velmora {

ScreenDCHandle Win32Platform::GetScreenDC() {
  return reinterpret_cast<ScreenDCHandle>(::GetDC(nullptr));
}

void Win32Platform::ReleaseScreenDC(ScreenDCHandle dc) {
  ::ReleaseDC(nullptr, reinterpret_cast<HDC>(dc));
}

bool Win32Platform::GetPointerPos(Point& p) {
  POINT pt;
  if (!::GetCursorPos(&pt)) return false;
  p = Point{pt.x, pt.y};
  return true;
}

TColor Win32Platform::GetPixel(ScreenDCHandle dc, Point p) {
  // COLORREF is 0x00BBGGRR like TColor; CLR_INVALID becomes kInvalidColor.
  return static_cast<TColor>(::GetPixel(reinterpret_cast<HDC>(dc), p.x, p.y));
}

Size Win32Platform::PrimaryScreenSize() {
  return Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

int Win32Platform::LastErrorCode() {
  return static_cast<int>(::GetLastError());
}

std::string Win32Platform::ErrorDescription(int code) {
  char text[512];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  return std::string(text, length);
}

}  // namespace velmora
