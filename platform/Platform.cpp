#include "platform/Platform.h"

#include <cassert>
#include <utility>

namespace velmora {

namespace {
IPlatform* current = nullptr;
ExceptionHandler onException;

// Hands an exception that escaped an event handler to the handler, if any.
void Deliver(std::exception_ptr error) noexcept {
  // A copy: the handler may replace itself while it runs.
  const ExceptionHandler handler = onException;
  if (!handler) return;
  try {
    handler(error);
  } catch (...) {
    // The handler failed too; it must not unwind through the OS either.
  }
}
}  // namespace

IPlatform& Platform() {
  assert(current != nullptr && "SetPlatform was not called");
  return *current;
}

void SetPlatform(IPlatform* platform) {
  current = platform;
}

void SetExceptionHandler(ExceptionHandler handler) {
  onException = std::move(handler);
}

template <typename Fn>
void EventDispatch::Guarded(Fn&& callback) noexcept {
  try {
    callback();
  } catch (...) {
    Deliver(std::current_exception());
  }
}

void EventDispatch::Show() noexcept {
  loopRunning_ = true;
  Guarded([this] { events_.OnShow(); });
}

void EventDispatch::Timer() noexcept {
  if (loopRunning_) Guarded([this] { events_.OnTimer(); });
}

void EventDispatch::HotKey(int id) noexcept {
  if (loopRunning_) Guarded([this, id] { events_.OnHotKey(id); });
}

void EventDispatch::MouseDown(Point p, MouseButton button) noexcept {
  if (loopRunning_) Guarded([this, p, button] { events_.OnMouseDown(p, button); });
}

void EventDispatch::MouseUp(Point p, MouseButton button) noexcept {
  if (loopRunning_) Guarded([this, p, button] { events_.OnMouseUp(p, button); });
}

void EventDispatch::Report(std::exception_ptr error) noexcept {
  if (loopRunning_) Deliver(error);
}

void EventDispatch::MouseMove(Point p) noexcept {
  if (loopRunning_) Guarded([this, p] { events_.OnMouseMove(p); });
}

void EventDispatch::MouseLeave() noexcept {
  if (loopRunning_) Guarded([this] { events_.OnMouseLeave(); });
}

PointerShape EventDispatch::PointerAt(Point p) noexcept {
  PointerShape shape = PointerShape::Arrow;
  if (loopRunning_) Guarded([this, p, &shape] { shape = events_.PointerAt(p); });
  return shape;
}

void EventDispatch::Paint(ICanvas& canvas, const Rect& dirty) noexcept {
  Guarded([this, &canvas, &dirty] { events_.OnPaint(canvas, dirty); });
}

void EventDispatch::SessionEnd() noexcept {
  if (sessionEnded_) return;
  sessionEnded_ = true;
  Guarded([this] { events_.OnSessionEnd(); });
}

void EventDispatch::Destroy() noexcept {
  if (destroyed_) return;
  destroyed_ = true;
  loopRunning_ = false;
  Guarded([this] { events_.OnDestroy(); });
}

const ActionName& NameOf(Action action) {
  for (const ActionName& entry : kActionNames) {
    if (entry.action == action) return entry;
  }
  return kActionNames[0];
}

const ActionName& NameOf(HotKey key) {
  for (const ActionName& entry : kActionNames) {
    if (entry.key == key) return entry;
  }
  return kActionNames[0];
}

const ActionName* FindAction(const std::string& name) {
  for (const ActionName& entry : kActionNames) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

std::string IPlatform::ConfigFile(const std::string& name) {
  const std::string separator(1, PathSeparator());
  return ConfigBaseFolder() + separator + "Quorvane" + separator + "Velmora" + separator + name;
}

}  // namespace velmora
