// The pixel under the pointer, a block of pixels around it, the primary
// screen and the system's error texts.
//
// The program is per-monitor DPI aware (see res/Velmora.manifest), so the
// pointer position and the screen device context both speak physical pixels:
// the pixel read is the one under the pointer on a scaled display too. The
// screen DC spans the whole virtual screen with its origin at the primary
// screen's top-left corner, so positions left of or above the primary screen
// (negative coordinates) read from the other monitors as they are.
#include <cstdint>

#include "platform/win32/Win32Handles.h"

namespace velmora {

bool Win32Platform::ReadPointerPosition(POINT& p) {
  return ::GetCursorPos(&p) != FALSE;
}

PixelReading Win32Platform::ReadPointer() {
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
  return reading;
}

namespace {

TColor ScreenPixel(HDC screen, Point p) {
  // COLORREF is 0x00BBGGRR like TColor; CLR_INVALID is kInvalidColor.
  return screen == nullptr ? kInvalidColor : static_cast<TColor>(::GetPixel(screen, p.x, p.y));
}

}  // namespace

PixelReading Win32Platform::ReadPixelUnderPointer() {
  PixelReading reading = ReadPointer();
  if (!reading.ok) return reading;
  ScopedGetDC screen(nullptr);
  reading.color = ScreenPixel(screen, reading.position);
  return reading;
}

PixelReading Win32Platform::ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) {
  PixelReading reading = ReadPointer();
  if (!reading.ok) return reading;
  ScopedGetDC screen(nullptr);
  // The pointer is on the desktop, so a copy of the block holds its pixel;
  // without a copy, that pixel is asked for alone.
  reading.color = CopyBlock(screen, BlockAround(reading.position, radius), block)
                      ? block.At(radius, radius)
                      : ScreenPixel(screen, reading.position);
  return reading;
}

PixelBlock Win32Platform::ReadPixelBlock(const Rect& area) {
  ScopedGetDC screen(nullptr);
  PixelBlock block;
  CopyBlock(screen, area, block);
  return block;
}

bool Win32Platform::CopyBlock(HDC screen, const Rect& area, PixelBlock& block) {
  block.area = area;
  block.pixels.assign(static_cast<std::size_t>(area.width * area.height), kOffScreenColor);
  const Point centre{area.x + area.width / 2, area.y + area.height / 2};
  const Rect inside = area.Intersect(Geometry(centre).desktop);
  if (inside.Empty() || screen == nullptr) return false;
  if (block_.size.width != inside.width || block_.size.height != inside.height) {
    // A top-down 32-bit bitmap of the block's size.
    block_.Release();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = inside.width;
    info.bmiHeader.biHeight = -inside.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    block_.bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &block_.bits, nullptr, 0);
    block_.dc = ::CreateCompatibleDC(screen);
    if (block_.bitmap == nullptr || block_.dc == nullptr || block_.bits == nullptr) {
      block_.Release();
      return false;
    }
    block_.previous = ::SelectObject(block_.dc, block_.bitmap);
    block_.size = Size{inside.width, inside.height};
  }
  // One copy of the part on the desktop.
  if (!::BitBlt(block_.dc, 0, 0, inside.width, inside.height, screen, inside.x, inside.y,
                SRCCOPY)) {
    return false;
  }
  ::GdiFlush();
  const auto* source = static_cast<const std::uint32_t*>(block_.bits);
  for (int y = 0; y < inside.height; ++y) {
    for (int x = 0; x < inside.width; ++x) {
      const std::uint32_t bgra = source[y * inside.width + x];
      // 0x00RRGGBB in the bitmap; TColor is 0x00BBGGRR.
      block.pixels[static_cast<std::size_t>((inside.y - area.y + y) * area.width + inside.x -
                                            area.x + x)] =
          static_cast<TColor>(((bgra >> 16) & 0xFF) | (bgra & 0xFF00) | ((bgra & 0xFF) << 16));
    }
  }
  return true;
}

void Win32Platform::BlockBitmap::Release() {
  if (dc != nullptr && previous != nullptr) ::SelectObject(dc, previous);
  if (dc != nullptr) ::DeleteDC(dc);
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  // Field by field: assigning a fresh BlockBitmap would run its destructor,
  // which calls Release again, without end.
  dc = nullptr;
  bitmap = nullptr;
  previous = nullptr;
  bits = nullptr;
  size = Size{};
}

namespace {

// Adds one monitor's rectangle to the std::vector<Rect> at `list`.
BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT r, LPARAM list) {
  reinterpret_cast<std::vector<Rect>*>(list)->push_back(
      Rect{r->left, r->top, r->right - r->left, r->bottom - r->top});
  return TRUE;
}

}  // namespace

std::vector<Rect> Win32Platform::Monitors() {
  std::vector<Rect> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) monitors.push_back(PrimaryScreen());
  return monitors;
}

Rect Win32Platform::PrimaryScreen() {
  return Geometry(Point{0, 0}).primary;
}

namespace {

// How many display changes the windows have heard of.
unsigned displayChanges = 0;

}  // namespace

void NoteDisplayChange() {
  ++displayChanges;
}

Win32Platform::DisplayGeometry Win32Platform::ReadDisplayGeometry() {
  return DisplayGeometry{
      Rect{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
           ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)},
      Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}};
}

const Win32Platform::DisplayGeometry& Win32Platform::Geometry(Point inside) {
  if (!geometryRead_ || geometryChanges_ != displayChanges || !geometry_.desktop.Contains(inside)) {
    geometry_ = ReadDisplayGeometry();
    geometryChanges_ = displayChanges;
    geometryRead_ = true;
  }
  return geometry_;
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
