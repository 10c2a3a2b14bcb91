// IWindowEvents whose every callback a test can script; unscripted events do
// nothing (and the pointer is an arrow).
#pragma once

#include <functional>

#include "platform/Platform.h"

namespace velmora {

struct ScriptedEvents : IWindowEvents {
  std::function<void()> show, timer, destroy, sessionEnd, leave;
  std::function<void(int)> hotKey;
  std::function<void(Point, MouseButton)> down, up;
  std::function<void(Point)> move;
  std::function<PointerShape(Point)> pointer;
  std::function<void(ICanvas&, const Rect&)> paint;

  void OnShow() override {
    if (show) show();
  }
  void OnTimer() override {
    if (timer) timer();
  }
  void OnHotKey(int id) override {
    if (hotKey) hotKey(id);
  }
  void OnMouseDown(Point p, MouseButton b) override {
    if (down) down(p, b);
  }
  void OnMouseUp(Point p, MouseButton b) override {
    if (up) up(p, b);
  }
  void OnMouseMove(Point p) override {
    if (move) move(p);
  }
  void OnMouseLeave() override {
    if (leave) leave();
  }
  PointerShape PointerAt(Point p) override { return pointer ? pointer(p) : PointerShape::Arrow; }
  void OnPaint(ICanvas& canvas, const Rect& dirty) override {
    if (paint) paint(canvas, dirty);
  }
  void OnDestroy() override {
    if (destroy) destroy();
  }
  void OnSessionEnd() override {
    if (sessionEnd) sessionEnd();
  }
};

}  // namespace velmora
