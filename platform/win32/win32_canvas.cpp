// The canvas of the main window: solid fills, frames and text in the form's
// 96-DPI pixels, scaled to the window's DPI.
#include "platform/win32/Win32Canvas.h"

namespace velmora {

namespace {

// a * b / c, rounded towards minus infinity or plus infinity.
int FloorMulDiv(int a, int b, int c) {
  const long long n = static_cast<long long>(a) * b;
  return static_cast<int>(n >= 0 ? n / c : -((-n + c - 1) / c));
}
int CeilMulDiv(int a, int b, int c) {
  return -FloorMulDiv(-a, b, c);
}

// How DrawText lays out every text of the form: top-aligned, "&" drawn as it
// stands, tabs expanded.
constexpr UINT kTextFormat = DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;

COLORREF ToColorRef(TColor color) {
  return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

}  // namespace

RECT DpiScale::ToPhysical(const Rect& r) const {
  return RECT{ToPhysical(r.x), ToPhysical(r.y), ToPhysical(r.x + r.width),
              ToPhysical(r.y + r.height)};
}

RECT DpiScale::Covering(const Rect& r) const {
  return RECT{FloorMulDiv(r.x, dpi, kLogicalDpi), FloorMulDiv(r.y, dpi, kLogicalDpi),
              CeilMulDiv(r.x + r.width, dpi, kLogicalDpi),
              CeilMulDiv(r.y + r.height, dpi, kLogicalDpi)};
}

Rect DpiScale::CoveringLogical(const RECT& r) const {
  const int left = FloorMulDiv(r.left, kLogicalDpi, dpi);
  const int top = FloorMulDiv(r.top, kLogicalDpi, dpi);
  return Rect{left, top, CeilMulDiv(r.right, kLogicalDpi, dpi) - left,
              CeilMulDiv(r.bottom, kLogicalDpi, dpi) - top};
}

int WindowDpi(HWND hwnd) {
  // NOTE: GetDpiForWindow exists from Windows 10 (1607) on. It is looked up
  // at run time so that the program still starts on older systems, which
  // get the system DPI instead.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
          ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  ScopedGetDC screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  return dpi > 0 ? dpi : kLogicalDpi;
}

FontFace FaceOf(FontRole role) {
  switch (role) {
    case FontRole::Form:
      return FontFace{"Tahoma", 8, ANSI_CHARSET, false};
    case FontRole::Link:
      return FontFace{"MS Sans Serif", 8, DEFAULT_CHARSET, true};
    case FontRole::Strip:
      break;
  }
  return FontFace{"MS Sans Serif", 8, DEFAULT_CHARSET, false};
}

HFONT FontCache::Get(FontRole role, int dpi) {
  const Key key{role, dpi};
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second.Get();

  const FontFace desc = FaceOf(role);
  LOGFONTA lf{};
  lf.lfHeight = -::MulDiv(desc.points, dpi, 72);  // 8 pt at 96 DPI: -11
  lf.lfWeight = FW_NORMAL;
  lf.lfUnderline = desc.underline ? TRUE : FALSE;
  lf.lfCharSet = desc.charset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  lstrcpynA(lf.lfFaceName, desc.face, LF_FACESIZE);
  ScopedGdiObj<HFONT> font(::CreateFontIndirectA(&lf));
  const HFONT handle = font.Get();
  if (handle != nullptr) fonts_.emplace(key, std::move(font));
  return handle;
}

void Win32Canvas::FillPhysical(const RECT& r, TColor color) {
  // A solid fill without making a brush: an opaque, empty ExtTextOut.
  ::SetBkColor(dc_, ToColorRef(color));
  ::ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Win32Canvas::FillRect(const Rect& r, TColor color) {
  if (r.Empty()) return;
  FillPhysical(scale_.ToPhysical(r), color);
}

void Win32Canvas::FrameRect(const Rect& r, TColor color) {
  if (r.Empty()) return;
  // One physical pixel wide at any DPI, like the system's own borders.
  const RECT box = scale_.ToPhysical(r);
  ::SetDCBrushColor(dc_, ToColorRef(color));
  ::FrameRect(dc_, &box, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void Win32Canvas::PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                            TextAlign align) {
  if (r.Empty() || text.empty()) return;
  RECT box = scale_.ToPhysical(r);
  ScopedSelectObject selected(dc_, FontOrDefault(font));
  ::SetTextColor(dc_, ToColorRef(color));
  ::SetBkMode(dc_, TRANSPARENT);
  // Clipped to the box (no DT_NOCLIP).
  const UINT format = kTextFormat | (align == TextAlign::Center ? DT_CENTER : DT_LEFT);
  const WideText wide = Wide(text);
  ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &box, format);
}

Size Win32Canvas::MeasureText(const std::string& text, FontRole font) {
  if (text.empty()) return Size{};
  ScopedSelectObject selected(dc_, FontOrDefault(font));
  RECT box{0, 0, 0, 0};
  const WideText wide = Wide(text);
  ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &box,
              kTextFormat | DT_LEFT | DT_CALCRECT);
  return Size{CeilMulDiv(box.right - box.left, kLogicalDpi, scale_.dpi),
              CeilMulDiv(box.bottom - box.top, kLogicalDpi, scale_.dpi)};
}

HGDIOBJ Win32Canvas::FontOrDefault(FontRole font) {
  const HFONT handle = fonts_.Get(font, scale_.dpi);
  return handle != nullptr ? handle : ::GetStockObject(DEFAULT_GUI_FONT);
}

}  // namespace velmora
