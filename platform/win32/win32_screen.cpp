// The pixel under the pointer, the primary screen and the system's error
// texts.
//
// The program is per-monitor DPI aware (see res/Velmora.manifest), so the
// pointer position and the screen device context both speak physical pixels:
// the pixel read is the one under the pointer on a scaled display too. The
// screen DC spans the whole virtual screen with its origin at the primary
// screen's top-left corner, so positions left of or above the primary screen
// (negative coordinates) read from the other monitors as they are.
#include "platform/win32/Win32Handles.h"

namespace velmora {

bool Win32Platform::ReadPointerPosition(POINT& p) {
  return ::GetCursorPos(&p) != FALSE;
}

PixelReading Win32Platform::ReadPixelUnderPointer() {
  ScopedGetDC screen(nullptr);
  PixelReading reading;
  POINT pt;
  if (!ReadPointerPosition(pt)) {
    const DWORD code = ::GetLastError();
    reading.error =
        "System Error.  Code: " + std::to_string(code) + ".\r\n" + SystemErrorText(code);
    return reading;
  }
  reading.ok = true;
  reading.position = Point{pt.x, pt.y};
  // COLORREF is 0x00BBGGRR like TColor; CLR_INVALID is kInvalidColor.
  reading.color = screen == nullptr ? kInvalidColor
                                    : static_cast<TColor>(::GetPixel(screen, pt.x, pt.y));
  return reading;
}

Rect Win32Platform::PrimaryScreen() {
  return Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

std::string SystemErrorText(DWORD code) {
  wchar_t text[512];
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, 512, nullptr);
  std::string description = Utf8(text, static_cast<int>(length));
  while (!description.empty()) {
    const char c = description.back();
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '.') break;
    description.pop_back();
  }
  return description;
}

}  // namespace velmora
