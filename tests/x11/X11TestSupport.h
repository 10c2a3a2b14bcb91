// What the X11 backend's tests share: a platform on the test's private X
// display, a recording form, and ways to wait for the X server and GTK.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

// Dispatches GTK's events until `done` holds or about five seconds of
// polling have passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done);
// Dispatches whatever GTK has pending, after a round trip to the X server.
void PumpPending();
// Runs a shell command to its end, dispatching GTK's events meanwhile (so we
// can answer it, e.g. a clipboard read); its standard output in `output`.
int RunPumping(const std::string& command, std::string* output = nullptr);

// A new empty folder under /tmp, and its removal with everything in it.
std::string MakeTempFolder();
void RemoveFolder(const std::string& folder);

// A form that paints what it is told and records what reaches it.
class RecordingForm : public IWindowEvents {
 public:
  std::function<void(ICanvas&, const Rect&)> paint;
  std::function<PointerShape(Point)> pointer;
  std::function<void()> onTimer;
  std::vector<int> hotKeys;
  std::vector<std::string> mouse;  // "down 3,4 L", "up 3,4 L", "move 3,4", "leave"
  int shown = 0;
  int paints = 0;
  int ticks = 0;
  int sessionEnds = 0;
  int destroys = 0;

  void OnShow() override { ++shown; }
  void OnTimer() override;
  void OnHotKey(int id) override { hotKeys.push_back(id); }
  void OnMouseDown(Point p, MouseButton button) override;
  void OnMouseUp(Point p, MouseButton button) override;
  void OnMouseMove(Point p) override;
  void OnMouseLeave() override { mouse.push_back("leave"); }
  PointerShape PointerAt(Point p) override { return pointer ? pointer(p) : PointerShape::Arrow; }
  void OnPaint(ICanvas& canvas, const Rect& dirty) override;
  void OnDestroy() override { ++destroys; }
  void OnSessionEnd() override { ++sessionEnds; }
};

// A platform of its own for each test, current while the test runs.
class X11Test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A 272 x 32 window at `at` (device pixels) painted by `form`, shown and
  // painted once, with the event loop running: the test body runs inside
  // it, from `body`, and the loop ends after it.
  void WithWindow(Point at, const std::function<void(IWindow&)>& body, int height = 32);
  // Moves the pointer to a point of the screen (device pixels).
  void MovePointer(Point p);

  std::unique_ptr<LinuxPlatform> platform;
  RecordingForm form;
  std::unique_ptr<IWindow> window;
};

}  // namespace velmora
