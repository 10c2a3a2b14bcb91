// The window, its events and hot keys, and the pixel-buffer canvas of the
// null platform.
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

void NullCanvas::PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                           TextAlign align) {
  if (r.Intersect(clip).Empty()) return;
  texts.push_back(TextRun{r, text, font, color, align});
}

Size NullCanvas::MeasureText(const std::string& text, FontRole) {
  if (text.empty()) return Size{};
  return Size{static_cast<int>(text.size()) * kNullCharWidth, kNullLineHeight};
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

std::unique_ptr<IWindow> NullPlatform::CreateMainWindow(const WindowDesc& desc,
                                                        const std::string& title,
                                                        IWindowEvents& events) {
  windowDesc = desc;
  appTitle = title;
  bounds = Rect{0, 0, desc.width, desc.height};
  visible = closeRequested = destroyed = false;
  timerMs = 0;
  return std::make_unique<NullWindow>(*this, events);
}

NullWindow::NullWindow(NullPlatform& platform, IWindowEvents& events)
    : platform_(platform), dispatch_(events) {
  platform_.window = this;
}

NullWindow::~NullWindow() {
  // Gone without events; its hot keys go with it, as with a native window.
  if (platform_.window == this) platform_.window = nullptr;
  platform_.hotKeys.clear();
  platform_.visible = false;
}

void NullWindow::SetBounds(const Rect& b) {
  platform_.bounds = b;
  platform_.invalidated.push_back(Rect{0, 0, b.width, b.height});
}

void NullWindow::SetTooltip(int tool, const Rect& r, const std::string& text) {
  platform_.tooltips[tool] = {r, text};
}

HotKeyRegistration NullWindow::BindHotKey(HotKey key) {
  HotKeyRegistration registration{nextHotKeyId_++, false};
  if (platform_.hotKeysHeldElsewhere.count(key) != 0) return registration;
  for (const auto& entry : platform_.hotKeys) {
    if (entry.second == key) return registration;  // already ours under another id
  }
  platform_.hotKeys[registration.id] = key;
  registration.registered = true;
  return registration;
}

void NullWindow::UnbindHotKey(int id) { platform_.hotKeys.erase(id); }

int NullWindow::ShowMenu(const std::vector<MenuItem>& items) {
  platform_.menusShown.push_back(items);
  return platform_.menuChooser ? platform_.menuChooser(items) : 0;
}

void NullWindow::Close() {
  platform_.closeRequested = true;
  if (!inLoop_) dispatch_.LoopEnded();
}

void NullWindow::RunEventLoop() {
  inLoop_ = true;
  dispatch_.Show();
  platform_.visible = true;
  if (platform_.eventLoopBody) platform_.eventLoopBody();
  inLoop_ = false;
  if (platform_.closeRequested) dispatch_.LoopEnded();
}

void NullWindow::Destroy() {
  if (platform_.destroyed) return;
  dispatch_.Destroy();
  platform_.destroyed = true;
  platform_.visible = false;
  platform_.timerMs = 0;
}

void NullPlatform::SendTimer() {
  if (window != nullptr && timerMs > 0) window->Dispatch().Timer();
}
void NullPlatform::SendHotKey(int id) {
  if (window != nullptr) window->Dispatch().HotKey(id);
}
void NullPlatform::PressHotKey(HotKey key) {
  for (const auto& entry : hotKeys) {
    if (entry.second == key) SendHotKey(entry.first);
  }
}
void NullPlatform::SendMouseDown(Point p, MouseButton b) {
  if (window != nullptr) window->Dispatch().MouseDown(p, b);
}
void NullPlatform::SendMouseUp(Point p, MouseButton b) {
  if (window != nullptr) window->Dispatch().MouseUp(p, b);
}
void NullPlatform::SendClick(Point p) {
  SendMouseDown(p);
  SendMouseUp(p);
}
void NullPlatform::SendMouseMove(Point p) {
  if (window != nullptr) window->Dispatch().MouseMove(p);
}
void NullPlatform::SendSessionEnd() {
  if (window != nullptr) window->Dispatch().SessionEnd();
}

NullCanvas NullPlatform::Paint() {
  NullCanvas canvas(bounds.width, bounds.height);
  if (window != nullptr) window->Dispatch().Paint(canvas, Rect{0, 0, bounds.width, bounds.height});
  invalidated.clear();
  return canvas;
}

}  // namespace velmora
