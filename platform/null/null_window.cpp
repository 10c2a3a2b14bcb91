// The window, its events and the pixel-buffer canvas of the null platform.
#include "platform/null/NullPlatform.h"

namespace velmora {

NullCanvas::NullCanvas(int width, int height)
    : clip{0, 0, width, height},
      width_(width),
      height_(height),
      pixels_(static_cast<size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0), 0) {}

void NullCanvas::FillRect(const Rect& r, TColor color) {
  const Rect area = r.Intersect(clip).Intersect(Rect{0, 0, width_, height_});
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x) pixels_[y * width_ + x] = color;
  }
}

void NullCanvas::FrameRect(const Rect& r, TColor color) {
  FillRect(Rect{r.x, r.y, r.width, 1}, color);
  FillRect(Rect{r.x, r.y + r.height - 1, r.width, 1}, color);
  FillRect(Rect{r.x, r.y, 1, r.height}, color);
  FillRect(Rect{r.x + r.width - 1, r.y, 1, r.height}, color);
}

void NullCanvas::DrawText(const Rect& r, const std::string& text, const FontSpec& font,
                          TColor color, TextAlign align) {
  if (r.Intersect(clip).Empty()) return;
  texts.push_back(TextRun{r, text, font, color, align});
}

Size NullCanvas::MeasureText(const std::string& text, const FontSpec& font) {
  if (text.empty()) return Size{};
  const int chars = static_cast<int>(text.size());
  // Rounded up, as a real canvas rounds partly covered pixels.
  return Size{(chars * kNullCharWidth * font.points + 7) / 8,
              (kNullLineHeight * font.points + 7) / 8};
}

TColor NullCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColor;
  return pixels_[y * width_ + x];
}

const NullCanvas::TextRun* NullCanvas::TextAt(int x, int y) const {
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
    if (it->rect.x == x && it->rect.y == y) return &*it;
  }
  return nullptr;
}

WindowHandle NullPlatform::CreateMainWindow(const WindowSpec& desc, IWindowEvents* e) {
  windowSpec = desc;
  events = e;
  window = 0x1000;
  bounds = Rect{0, 0, desc.width, desc.height};
  return window;
}

void NullPlatform::SetWindowBounds(WindowHandle, const Rect& b) {
  bounds = b;
  invalidated.push_back(Rect{0, 0, b.width, b.height});
}

void NullPlatform::SetTooltip(WindowHandle, int tool, const Rect& r, const std::string& text) {
  tooltips[tool] = {r, text};
}

void NullPlatform::SetExceptionHandler(ExceptionHandler handler) {
  exceptionHandler = std::move(handler);
}

void NullPlatform::Dispatch(const std::function<void()>& fn) {
  try {
    fn();
  } catch (...) {
    if (exceptionHandler) exceptionHandler(std::current_exception());
  }
}

void NullPlatform::RunEventLoop(WindowHandle) {
  Dispatch([this] { events->OnShow(); });
  visible = true;
  if (eventLoopBody) eventLoopBody();
}

void NullPlatform::DestroyWindow(WindowHandle) {
  if (destroyed) return;
  Dispatch([this] { events->OnDestroy(); });
  destroyed = true;
  visible = false;
}

void NullPlatform::SendTimer() {
  Dispatch([this] { events->OnTimer(); });
}
void NullPlatform::SendHotKey(int id) {
  Dispatch([this, id] { events->OnHotKey(id); });
}
void NullPlatform::SendMouseDown(Point p, MouseButton b) {
  Dispatch([this, p, b] { events->OnMouseDown(p, b); });
}
void NullPlatform::SendMouseUp(Point p, MouseButton b) {
  Dispatch([this, p, b] { events->OnMouseUp(p, b); });
}
void NullPlatform::SendClick(Point p) {
  SendMouseDown(p);
  SendMouseUp(p);
}
void NullPlatform::SendMouseMove(Point p) {
  Dispatch([this, p] { events->OnMouseMove(p); });
}
void NullPlatform::SendSessionEnd() {
  Dispatch([this] { events->OnSessionEnd(); });
}

NullCanvas NullPlatform::Paint() {
  NullCanvas canvas(bounds.width, bounds.height);
  Dispatch([&] { events->OnPaint(canvas, Rect{0, 0, bounds.width, bounds.height}); });
  invalidated.clear();
  return canvas;
}

}  // namespace velmora
