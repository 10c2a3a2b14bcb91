// Velmora's native window: the IWindow of the Win32 backend and the state it
// shares between the win32_window*.cpp files. The window procedure finds the
// state in the window's user data.
#pragma once

#include <map>
#include <vector>
#include <string>

#include "platform/win32/Win32Canvas.h"

namespace velmora {

// Everything one window knows. Every event goes to the form through
// `dispatch`, the one exception boundary: nothing unwinds through the window
// procedure, since mingw's exceptions cannot cross the system's frames.
struct WindowState {
  explicit WindowState(IWindowEvents& events) : dispatch(events) {}

  EventDispatch dispatch;
  HWND hwnd = nullptr;     // the main window (caption text: WindowDesc::caption)
  HWND owner = nullptr;    // invisible owner carrying the task-bar button (appTitle)
  HWND tooltip = nullptr;  // one tooltip control for every tool, made when the pointer comes
  bool tooltipTried = false;
  DpiScale scale;
  TColor background = 0;
  bool trackingLeave = false;  // TrackMouseEvent asked for WM_MOUSELEAVE
  POINT press{};               // where the last button went down, screen pixels
  FontCache fonts;
  struct Tool {
    Rect area;  // logical pixels
    WideText text;
  };
  std::map<int, Tool> tools;      // tooltips by tool
  std::map<int, ATOM> hotKeys;    // registered hot-key identifiers and their atoms
};

class Win32Window : public IWindow {
 public:
  // Creates the native window and its owner, hidden; throws when it cannot.
  Win32Window(HINSTANCE instance, ATOM windowClass, ATOM ownerClass, const WindowDesc& desc,
              const std::string& appTitle, IWindowEvents& events);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  HWND Hwnd() const { return state_.hwnd; }

  Rect Bounds() override;
  void SetBounds(const Rect& bounds) override;
  int ToScreenPixels(int length) override { return state_.scale.ToPhysical(length); }
  void StartTimer(int milliseconds) override;
  void Invalidate(const Rect& r) override;
  void SetTooltip(int tool, const Rect& r, const std::string& text) override;
  void BeginMove(MouseButton button) override;
  // Context menus: win32_menu.cpp.
  int ShowMenu(const std::vector<MenuItem>& items) override;
  // Hot keys: win32_hotkeys.cpp; tooltips and moving: win32_window_input.cpp.
  HotKeyRegistration BindHotKey(HotKey key) override;
  void UnbindHotKey(int id) override;
  void Close() override;
  void RunEventLoop() override;
  void Destroy() override;

 private:
  // Gives back every hot key and atom still held.
  void ReleaseHotKeys();
  // Destroys the native windows (the form hears nothing of it).
  void DestroyNative();

  HINSTANCE instance_;
  WindowState state_;
};

// The window procedures (win32_window.cpp).
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Mouse messages of the main window (win32_window_input.cpp).
void OnMouseButton(WindowState& s, UINT message, WPARAM wParam, LPARAM lParam);
void OnMouseMove(WindowState& s, LPARAM lParam);
void OnMouseLeave(WindowState& s);
// Sets the pointer shape over the client area; false for anywhere else.
bool OnSetCursor(WindowState& s, HWND over, UINT hitTest);

// Puts the tooltip rectangles in physical pixels again (after a DPI change).
void RescaleTooltips(WindowState& s);

// Moves the window with the pointer until `button` is released, as far as
// the pointer has moved from `start` (screen pixels).
void TrackWindowMove(HWND hwnd, MouseButton button, POINT start);

}  // namespace velmora
