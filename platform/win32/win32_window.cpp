// Velmora's one native window: creation, the window procedure, painting,
// the event loop and destruction.
//
// The window is a borderless, topmost WS_POPUP whose caption text is the
// form's caption. It is owned by an invisible, zero-size "application"
// window titled with the application's title, which carries the task-bar
// button, as classic Windows frameworks do: an owned window gets no task-bar
// button of its own, so the task bar and Alt+Tab name the application
// ("Velmora 3.6") while the window itself keeps its own caption ("Velmora").
#include <stdexcept>

#include "platform/win32/Win32Window.h"

// NOTE: older mingw-w64 headers only declare this for newer Windows targets.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace velmora {

using WindowState = Win32Platform::WindowState;

namespace {

constexpr char kWindowClassName[] = "VelmoraWindow";
constexpr char kOwnerClassName[] = "VelmoraApplication";
constexpr UINT_PTR kTimerId = 1;
constexpr int kOffScreen = -32000;

WindowState* StateFromHwnd(HWND hwnd) {
  return reinterpret_cast<WindowState*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Attaches the state passed to CreateWindowEx to the window being created.
void AttachState(HWND hwnd, LPARAM createParams) {
  const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(createParams);
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
}

// Fills the dirty part with the background, then lets the form paint it.
void PaintContent(WindowState& s, HDC dc, const RECT& dirty) {
  Win32Canvas canvas(dc, s.scale, s.fonts);
  canvas.FillPhysical(dirty, s.background);
  const Rect logical = s.scale.CoveringLogical(dirty);
  s.Guarded([&] { s.events->OnPaint(canvas, logical); });
}

// Paints off screen and copies the result in one BitBlt, so the window never
// shows a half-painted state (WM_ERASEBKGND does nothing).
void OnPaint(WindowState& s) {
  ScopedPaint paint(s.hwnd);
  const RECT& dirty = paint.Dirty();
  const int width = dirty.right - dirty.left;
  const int height = dirty.bottom - dirty.top;
  if (width <= 0 || height <= 0) return;

  ScopedMemoryDC memory(paint.DC());
  ScopedGdiObj<HBITMAP> bitmap(::CreateCompatibleBitmap(paint.DC(), width, height));
  if (memory == nullptr || bitmap.Get() == nullptr) {
    PaintContent(s, paint.DC(), dirty);  // out of GDI resources: paint directly
    return;
  }
  ScopedSelectObject selected(memory, bitmap.Get());
  ::SetViewportOrgEx(memory, -dirty.left, -dirty.top, nullptr);
  PaintContent(s, memory, dirty);
  ::BitBlt(paint.DC(), dirty.left, dirty.top, width, height, memory, dirty.left, dirty.top,
           SRCCOPY);
}

// The window moved to a monitor of another DPI: keep the logical size.
void OnDpiChanged(WindowState& s, int dpi, const RECT& suggested) {
  RECT client;
  ::GetClientRect(s.hwnd, &client);
  const int width = s.scale.ToLogical(client.right);
  const int height = s.scale.ToLogical(client.bottom);
  s.scale.dpi = dpi;
  s.fonts.Clear();
  ::SetWindowPos(s.hwnd, nullptr, suggested.left, suggested.top, s.scale.ToPhysical(width),
                 s.scale.ToPhysical(height), SWP_NOZORDER | SWP_NOACTIVATE);
  RescaleTooltips(s);
  ::InvalidateRect(s.hwnd, nullptr, FALSE);
}

// Log-off or shut-down: the form hears of it once, whichever message comes.
void OnSessionEnd(WindowState& s) {
  if (s.sessionEnded) return;
  s.sessionEnded = true;
  s.Guarded([&] { s.events->OnSessionEnd(); });
}

// Timer ticks, hot keys and mouse input: what the form hears only while the
// event loop runs.
bool IsLoopEvent(UINT message) {
  return message == WM_TIMER || message == WM_HOTKEY || message == WM_SETCURSOR ||
         message == WM_MOUSELEAVE || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WindowState* s = StateFromHwnd(hwnd);
  if (s == nullptr || s->hwnd != hwnd) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  // Once the loop has ended the form may be taking itself apart (its manager
  // gone), while an error box of its destruction step still dispatches
  // messages: it only paints, hears of the session's end and is destroyed.
  if (s->loopEnded && IsLoopEvent(message)) return ::DefWindowProcA(hwnd, message, wParam, lParam);

  switch (message) {
    case WM_TIMER:
      if (wParam != kTimerId) break;
      s->Guarded([s] { s->events->OnTimer(); });
      return 0;
    case WM_HOTKEY:
      s->Guarded([s, wParam] { s->events->OnHotKey(static_cast<int>(wParam)); });
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      OnMouseButton(*s, message, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(*s, lParam);
      return 0;
    case WM_MOUSELEAVE:
      OnMouseLeave(*s);
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(*s, reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint(*s);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(*s, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_QUERYENDSESSION:
      // The user may still cancel the log-off; the colours are kept once it is final.
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) OnSessionEnd(*s);
      return 0;
    case WM_CLOSE:
      // Closing ends the event loop; the window lives on until DestroyWindow.
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      s->hwnd = nullptr;
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) AttachState(hwnd, lParam);
  WindowState* s = StateFromHwnd(hwnd);
  const HWND main = s != nullptr ? s->hwnd : nullptr;
  switch (message) {
    case WM_CLOSE:
      // "Close window" on the task-bar button closes the main window.
      if (main != nullptr) ::PostMessageA(main, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETFOCUS: {
      // Activated through its task-bar button: pass the focus on to the
      // window the user last worked in (the main window or its dialog).
      HWND target = ::GetLastActivePopup(hwnd);
      if (target == hwnd) target = main;
      if (target != nullptr && ::IsWindowVisible(target) && ::IsWindowEnabled(target)) {
        ::SetFocus(target);
      }
      return 0;
    }
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

Win32Platform::Win32Platform() : instance_(::GetModuleHandleA(nullptr)) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
}

Win32Platform::~Win32Platform() {
  if (window_ != nullptr) {
    if (window_->hwnd != nullptr) ::DestroyWindow(window_->hwnd);
    if (window_->owner != nullptr) ::DestroyWindow(window_->owner);
    window_.reset();
  }
  if (windowClass_ != 0) ::UnregisterClassA(MAKEINTATOM(windowClass_), instance_);
  if (ownerClass_ != 0) ::UnregisterClassA(MAKEINTATOM(ownerClass_), instance_);
}

void Win32Platform::RegisterWindowClasses() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  if (windowClass_ == 0) {
    wc.lpfnWndProc = MainWindowProc;
    wc.lpszClassName = kWindowClassName;
    windowClass_ = ::RegisterClassExA(&wc);
  }
  if (ownerClass_ == 0) {
    wc.lpfnWndProc = OwnerWindowProc;
    wc.lpszClassName = kOwnerClassName;
    ownerClass_ = ::RegisterClassExA(&wc);
  }
}

Win32Platform::WindowState* Win32Platform::StateOf(WindowHandle w) const {
  if (window_ == nullptr || w == 0) return nullptr;
  return reinterpret_cast<HWND>(w) == window_->hwnd ? window_.get() : nullptr;
}

void Win32Platform::Deliver(std::exception_ptr error) noexcept {
  // A copy: the handler may replace itself while it runs.
  const ExceptionHandler handler = onException_;
  if (!handler) return;
  try {
    handler(error);
  } catch (...) {
    // The handler failed too; it must not unwind through the system either.
  }
}

WindowHandle Win32Platform::CreateMainWindow(const WindowSpec& desc, IWindowEvents* events) {
  if (window_ != nullptr) throw std::logic_error("Velmora has only one main window");
  RegisterWindowClasses();
  auto state = std::make_unique<WindowState>();
  state->platform = this;
  state->events = events;
  state->background = desc.background;

  // Shown only to carry the task-bar button; never activated by us. NOTE:
  // Wine gives a zero-size window a one-pixel X window, so it lies far off
  // screen, where the system keeps minimised windows too.
  state->owner = ::CreateWindowExA(0, MAKEINTATOM(ownerClass_), desc.appTitle.c_str(),
                                   WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, kOffScreen, kOffScreen,
                                   0, 0, nullptr, nullptr, instance_, state.get());
  const HWND hwnd = ::CreateWindowExA(desc.topmost ? WS_EX_TOPMOST : 0, MAKEINTATOM(windowClass_),
                                      desc.caption.c_str(), WS_POPUP, 0, 0, desc.width, desc.height,
                                      state->owner, nullptr, instance_, nullptr);
  if (hwnd == nullptr) {
    if (state->owner != nullptr) ::DestroyWindow(state->owner);
    throw std::runtime_error("Cannot create the main window");
  }
  // Attached after creation: the window has no events to report before.
  state->hwnd = hwnd;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  state->scale.dpi = WindowDpi(hwnd);
  ::SetWindowPos(hwnd, nullptr, 0, 0, state->scale.ToPhysical(desc.width),
                 state->scale.ToPhysical(desc.height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  window_ = std::move(state);
  return reinterpret_cast<WindowHandle>(hwnd);
}

Rect Win32Platform::WindowBounds(WindowHandle w) {
  WindowState* s = StateOf(w);
  if (s == nullptr) return Rect{};
  RECT frame;
  RECT client;
  ::GetWindowRect(s->hwnd, &frame);
  ::GetClientRect(s->hwnd, &client);
  return Rect{frame.left, frame.top, s->scale.ToLogical(client.right),
              s->scale.ToLogical(client.bottom)};
}

void Win32Platform::SetWindowBounds(WindowHandle w, const Rect& bounds) {
  WindowState* s = StateOf(w);
  if (s == nullptr) return;
  // The top-left corner stays where it is given; a taller window grows
  // downwards and the system invalidates only the part that appears.
  ::SetWindowPos(s->hwnd, nullptr, bounds.x, bounds.y, s->scale.ToPhysical(bounds.width),
                 s->scale.ToPhysical(bounds.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Platform::ToScreenPixels(WindowHandle w, int length) {
  WindowState* s = StateOf(w);
  return s == nullptr ? length : s->scale.ToPhysical(length);
}

void Win32Platform::StartTimer(WindowHandle w, int milliseconds) {
  if (WindowState* s = StateOf(w)) ::SetTimer(s->hwnd, kTimerId, milliseconds, nullptr);
}

void Win32Platform::Invalidate(WindowHandle w, const Rect& r) {
  WindowState* s = StateOf(w);
  if (s == nullptr || r.Empty()) return;
  const RECT area = s->scale.Covering(r);
  ::InvalidateRect(s->hwnd, &area, FALSE);
}

void Win32Platform::CloseWindow(WindowHandle w) {
  if (WindowState* s = StateOf(w)) ::PostMessageA(s->hwnd, WM_CLOSE, 0, 0);
}

void Win32Platform::SetExceptionHandler(ExceptionHandler handler) {
  onException_ = std::move(handler);
}

void Win32Platform::RunEventLoop(WindowHandle w) {
  WindowState* s = StateOf(w);
  if (s == nullptr) return;
  s->loopEnded = false;
  s->Guarded([s] { s->events->OnShow(); });
  // The owner first, so that the task-bar button appears; it never takes the
  // focus. The main window is activated: hot keys under Wine need a focused
  // Wine window.
  ::ShowWindow(s->owner, SW_SHOWNOACTIVATE);
  ::ShowWindow(s->hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(s->hwnd);

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  s->loopEnded = true;
  ::KillTimer(s->hwnd, kTimerId);
}

void Win32Platform::DestroyWindow(WindowHandle w) {
  WindowState* s = StateOf(w);
  if (s == nullptr) return;
  // The form's last words run while the window still exists.
  s->Guarded([s] { s->events->OnDestroy(); });
  ::DestroyWindow(s->hwnd);
  if (s->owner != nullptr) ::DestroyWindow(s->owner);
  window_.reset();
}

}  // namespace velmora
