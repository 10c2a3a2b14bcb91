// The canvas the form paints on, and the scaling between the form's 96-DPI
// pixels and the window's physical pixels.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/win32/Win32Handles.h"

namespace velmora {

constexpr int kLogicalDpi = 96;

// Converts between 96-DPI ("logical") pixels and the physical pixels of a
// window at `dpi`. At 96 DPI both are the same.
struct DpiScale {
  int dpi = kLogicalDpi;

  int ToPhysical(int v) const { return ::MulDiv(v, dpi, kLogicalDpi); }
  int ToLogical(int v) const { return ::MulDiv(v, kLogicalDpi, dpi); }
  POINT ToPhysical(Point p) const { return POINT{ToPhysical(p.x), ToPhysical(p.y)}; }
  Point ToLogical(POINT p) const { return Point{ToLogical(p.x), ToLogical(p.y)}; }
  // Each edge rounded: neighbouring rectangles stay neighbours.
  RECT ToPhysical(const Rect& r) const;
  // The smallest physical rectangle that covers r (for invalidation).
  RECT Covering(const Rect& r) const;
  // The smallest logical rectangle that covers the physical r (for painting).
  Rect CoveringLogical(const RECT& r) const;
};

// The DPI of a window: its monitor's when the system can tell, else the
// system's.
int WindowDpi(HWND hwnd);

// The font the backend draws a role's texts in: MS Sans Serif 8 pt for the
// strip (its links underlined), the window's own Tahoma 8 pt for the form.
struct FontFace {
  const char* face;
  int points;
  BYTE charset;
  bool underline;
};
FontFace FaceOf(FontRole role);

// Fonts made for one DPI, kept while the window lives.
class FontCache {
 public:
  HFONT Get(FontRole role, int dpi);
  void Clear() { fonts_.clear(); }

 private:
  using Key = std::pair<FontRole, int>;
  std::map<Key, ScopedGdiObj<HFONT>> fonts_;
};

// Paints into a device context in 96-DPI coordinates.
class Win32Canvas : public ICanvas {
 public:
  Win32Canvas(HDC dc, DpiScale scale, FontCache& fonts) : dc_(dc), scale_(scale), fonts_(fonts) {}

  void FillRect(const Rect& r, TColor color) override;
  void FrameRect(const Rect& r, TColor color) override;
  void PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                 TextAlign align) override;
  Size MeasureText(const std::string& text, FontRole font) override;
  // Fills a rectangle given in physical pixels.
  void FillPhysical(const RECT& r, TColor color);

 private:
  // The font made for this DPI, or the system's GUI font when it cannot be made.
  HGDIOBJ FontOrDefault(FontRole font);

  HDC dc_;
  DpiScale scale_;
  FontCache& fonts_;
};

}  // namespace velmora
