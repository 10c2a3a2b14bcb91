// The state of Velmora's one native window, shared by the win32_window*.cpp
// files. The window procedure finds it in the window's user data.
#pragma once

#include <exception>
#include <map>

#include "platform/win32/Win32Canvas.h"

namespace velmora {

struct Win32Platform::WindowState {
  Win32Platform* platform = nullptr;
  IWindowEvents* events = nullptr;
  HWND hwnd = nullptr;     // the main window (caption text: WindowSpec::caption)
  HWND owner = nullptr;    // invisible owner carrying the task-bar button (appTitle)
  HWND tooltip = nullptr;  // one tooltip control for every tool
  DpiScale scale;
  TColor background = 0;
  bool trackingLeave = false;  // TrackMouseEvent asked for WM_MOUSELEAVE
  bool sessionEnded = false;
  bool loopEnded = false;  // RunEventLoop has returned (see IsLoopEvent)
  FontCache fonts;
  std::map<int, Rect> tools;  // tooltip rectangles by tool, 96-DPI

  // The exception boundary: runs one event callback and hands whatever it
  // throws to the exception handler. Nothing may unwind through the window
  // procedure: mingw's exceptions cannot cross the system's frames.
  template <typename Fn>
  void Guarded(Fn&& callback) noexcept {
    try {
      callback();
    } catch (...) {
      platform->Deliver(std::current_exception());
    }
  }
};

// Mouse messages of the main window (win32_window_input.cpp).
void OnMouseButton(Win32Platform::WindowState& s, UINT message, WPARAM wParam, LPARAM lParam);
void OnMouseMove(Win32Platform::WindowState& s, LPARAM lParam);
void OnMouseLeave(Win32Platform::WindowState& s);
// Sets the pointer shape over the client area; false for anywhere else.
bool OnSetCursor(Win32Platform::WindowState& s, HWND over, UINT hitTest);

// Puts the tooltip rectangles in physical pixels again (after a DPI change).
void RescaleTooltips(Win32Platform::WindowState& s);

// Moves the window with the pointer until `button` is released.
void TrackWindowMove(HWND hwnd, MouseButton button);

}  // namespace velmora
