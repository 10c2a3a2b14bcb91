// Helpers for the Windows tests: the Win32 backend as the current platform,
// plain windows of the tests' own, and synthetic input.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/PlatformFactory.h"
#include "platform/win32/Win32Platform.h"
#include "tests/shared/scripted_events.h"

namespace velmora {

// Each test runs on a fresh Win32 backend.
class Win32Test : public ::testing::Test {
 protected:
  Win32Test() : platform_(CreateNativePlatform()) { SetPlatform(platform_.get()); }
  ~Win32Test() override {
    SetExceptionHandler(nullptr);
    SetPlatform(nullptr);
  }

  std::unique_ptr<IPlatform> platform_;
};

// A main window of the backend (hidden) whose events nobody hears.
struct QuietWindow {
  QuietWindow() : window(Platform().CreateMainWindow(WindowDesc{"Velmora test", 40, 20}, "Test",
                                                     events)) {}
  HWND Hwnd() const { return HwndOf(window.get()); }

  ScriptedEvents events;
  std::unique_ptr<IWindow> window;
};

// A top-level window of the test's own, filled with one colour. Hidden unless
// `bounds` is given; then it is shown topmost there without taking the focus.
class TestWindow {
 public:
  explicit TestWindow(COLORREF color = RGB(255, 255, 255), const RECT* bounds = nullptr);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  operator HWND() const { return hwnd_; }

 private:
  HWND hwnd_;
  COLORREF color_;
};

// Another thread's window keeps the clipboard open until the holder ends.
class ClipboardHolder {
 public:
  ClipboardHolder();
  ~ClipboardHolder();
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;
  bool Holding() const { return holding_; }

 private:
  static DWORD WINAPI Hold(void* param);

  HANDLE opened_;
  HANDLE release_;
  HANDLE thread_;
  volatile bool holding_ = false;
};

// Dispatches this thread's messages for about `milliseconds`.
void PumpMessages(int milliseconds);

// Dispatches messages until `done` holds or `milliseconds` have passed;
// returns the last value of `done`.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000);

// Runs the event loop of the main window (shown as the program shows it)
// and calls `body` once from inside it, as soon as the loop dispatches; the
// window is closed when `body` returns. What `body` throws is rethrown here
// after the loop has ended.
void WithinEventLoop(IWindow& window, const std::function<void()>& body);

// What an error handed to the application's error display says.
std::string Describe(std::exception_ptr error);

// The CF_TEXT content of the clipboard, or "(none)".
std::string ClipboardText();

// Synthetic input through the system's input queue (SendInput), as a user's
// mouse and keyboard make it.
void MovePointerTo(int x, int y);
void PressButton(MouseButton button, bool down);
void PressAltWith(char key);

}  // namespace velmora
