// Velmora's one native window: creation, the window procedure, painting,
// the event loop and destruction.
//
// The window is a borderless, topmost WS_POPUP whose caption text is the
// form's caption. It is owned by an invisible, zero-size "application"
// window titled with the application's title, which carries the task-bar
// button, as classic Windows frameworks do: an owned window gets no task-bar
// button of its own, so the task bar and Alt+Tab name the application
// (the application's title) while the window itself keeps its own caption
// ("Velmora").
#include <stdexcept>

#include "platform/win32/Win32Window.h"
#include "platform/win32/res/Resources.h"

// NOTE: older mingw-w64 headers only declare this for newer Windows targets.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace velmora {

namespace {

constexpr wchar_t kWindowClassName[] = L"VelmoraWindow";
constexpr wchar_t kOwnerClassName[] = L"VelmoraApplication";
constexpr UINT_PTR kTimerId = 1;
constexpr int kOffScreen = -32000;

// Velmora.exe's icon at the size of a pair of system metrics.
HICON LoadIconOfSize(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric),
                                         ::GetSystemMetrics(heightMetric), LR_SHARED));
}

// A registered window class by its atom.
LPCWSTR ClassAtom(ATOM atom) {
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom));
}

WindowState* StateFromHwnd(HWND hwnd) {
  return reinterpret_cast<WindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Attaches the state passed to CreateWindowEx to the window being created.
void AttachState(HWND hwnd, LPARAM createParams) {
  const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(createParams);
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
}

// Fills the dirty part with the background, then lets the form paint it.
void PaintContent(WindowState& s, HDC dc, const RECT& dirty) {
  Win32Canvas canvas(dc, s.scale, s.fonts);
  canvas.FillPhysical(dirty, s.background);
  s.dispatch.Paint(canvas, s.scale.CoveringLogical(dirty));
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

// Mouse input and the pointer's shape: handled only while the event loop
// runs (the dispatch drops timer ticks and hot keys outside it too).
bool IsMouseMessage(UINT message) {
  return message == WM_SETCURSOR || message == WM_MOUSELEAVE ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WindowState* s = StateFromHwnd(hwnd);
  if (s == nullptr || s->hwnd != hwnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // Once the loop has ended the form may be taking itself apart (its manager
  // gone), while an error box of its destruction step still dispatches
  // messages: it only paints, hears of the session's end and is destroyed.
  if (!s->dispatch.LoopRunning() && IsMouseMessage(message)) {
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }

  switch (message) {
    case WM_TIMER:
      if (wParam != kTimerId) break;
      s->dispatch.Timer();
      return 0;
    case WM_HOTKEY:
      s->dispatch.HotKey(static_cast<int>(wParam));
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
    case WM_DISPLAYCHANGE:
      NoteDisplayChange();
      break;
    case WM_QUERYENDSESSION:
      // The user may still cancel the log-off; the colours are kept once it is final.
      return TRUE;
    case WM_ENDSESSION:
      // Log-off or shut-down: the form hears of it once, whichever message comes.
      if (wParam) s->dispatch.SessionEnd();
      return 0;
    case WM_CLOSE:
      // Closing ends the event loop; the window lives on until DestroyWindow.
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      s->hwnd = nullptr;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) AttachState(hwnd, lParam);
  WindowState* s = StateFromHwnd(hwnd);
  const HWND main = s != nullptr ? s->hwnd : nullptr;
  switch (message) {
    case WM_CLOSE:
      // "Close window" on the task-bar button closes the main window.
      if (main != nullptr) ::PostMessageW(main, WM_CLOSE, 0, 0);
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
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

Win32Platform::Win32Platform() : instance_(::GetModuleHandleA(nullptr)) {}

Win32Platform::~Win32Platform() {
  // Fails harmlessly while a window of the class still exists.
  if (windowClass_ != 0) ::UnregisterClassW(ClassAtom(windowClass_), instance_);
  if (ownerClass_ != 0) ::UnregisterClassW(ClassAtom(ownerClass_), instance_);
  if (loupeClass_ != 0) ::UnregisterClassW(ClassAtom(loupeClass_), instance_);
}

void Win32Platform::RegisterWindowClasses() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  // The program's icon at the sizes the system shows (the task-bar button
  // is the owner window's, Alt+Tab shows the large one); shared, so the
  // system frees it. A program without the resource (the tests) gets none.
  wc.hIcon = LoadIconOfSize(instance_, SM_CXICON, SM_CYICON);
  wc.hIconSm = LoadIconOfSize(instance_, SM_CXSMICON, SM_CYSMICON);
  if (windowClass_ == 0) {
    wc.lpfnWndProc = MainWindowProc;
    wc.lpszClassName = kWindowClassName;
    windowClass_ = ::RegisterClassExW(&wc);
  }
  if (ownerClass_ == 0) {
    wc.lpfnWndProc = OwnerWindowProc;
    wc.lpszClassName = kOwnerClassName;
    ownerClass_ = ::RegisterClassExW(&wc);
  }
}

std::unique_ptr<IWindow> Win32Platform::CreateMainWindow(const WindowDesc& desc,
                                                         const std::string& appTitle,
                                                         IWindowEvents& events) {
  RegisterWindowClasses();
  return std::make_unique<Win32Window>(instance_, windowClass_, ownerClass_, desc, appTitle,
                                       events);
}

HWND HwndOf(IWindow* window) {
  return window == nullptr ? nullptr : static_cast<Win32Window*>(window)->Hwnd();
}

Win32Window::Win32Window(HINSTANCE instance, ATOM windowClass, ATOM ownerClass,
                         const WindowDesc& desc, const std::string& appTitle,
                         IWindowEvents& events)
    : instance_(instance), state_(events) {
  state_.background = desc.background;
  // Shown only to carry the task-bar button; never activated by us. NOTE:
  // Wine gives a zero-size window a one-pixel X window, so it lies far off
  // screen, where the system keeps minimised windows too.
  state_.owner = ::CreateWindowExW(0, ClassAtom(ownerClass), Wide(appTitle).c_str(),
                                   WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, kOffScreen, kOffScreen,
                                   0, 0, nullptr, nullptr, instance_, &state_);
  const HWND hwnd = ::CreateWindowExW(desc.topmost ? WS_EX_TOPMOST : 0, ClassAtom(windowClass),
                                      Wide(desc.caption).c_str(), WS_POPUP, 0, 0, desc.width, desc.height,
                                      state_.owner, nullptr, instance_, nullptr);
  if (hwnd == nullptr) {
    DestroyNative();
    throw std::runtime_error("Cannot create the main window");
  }
  // Attached after creation: the window has no events to report before.
  state_.hwnd = hwnd;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state_));
  state_.scale.dpi = WindowDpi(hwnd);
  ::SetWindowPos(hwnd, nullptr, 0, 0, state_.scale.ToPhysical(desc.width),
                 state_.scale.ToPhysical(desc.height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32Window::~Win32Window() {
  ReleaseHotKeys();
  DestroyNative();
}

void Win32Window::DestroyNative() {
  // Detached first: the form hears nothing of this.
  for (HWND* w : {&state_.hwnd, &state_.owner}) {
    if (*w == nullptr) continue;
    ::SetWindowLongPtrW(*w, GWLP_USERDATA, 0);
    ::DestroyWindow(*w);
    *w = nullptr;
  }
  state_.tooltip = nullptr;  // destroyed with the window it belongs to
}

Rect Win32Window::Bounds() {
  if (state_.hwnd == nullptr) return Rect{};
  RECT frame;
  RECT client;
  ::GetWindowRect(state_.hwnd, &frame);
  ::GetClientRect(state_.hwnd, &client);
  return Rect{frame.left, frame.top, state_.scale.ToLogical(client.right),
              state_.scale.ToLogical(client.bottom)};
}

void Win32Window::SetBounds(const Rect& bounds) {
  if (state_.hwnd == nullptr) return;
  // The top-left corner stays where it is given; a taller window grows
  // downwards and the system invalidates only the part that appears.
  ::SetWindowPos(state_.hwnd, nullptr, bounds.x, bounds.y, state_.scale.ToPhysical(bounds.width),
                 state_.scale.ToPhysical(bounds.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::StartTimer(int milliseconds) {
  if (state_.hwnd != nullptr) ::SetTimer(state_.hwnd, kTimerId, milliseconds, nullptr);
}

void Win32Window::Invalidate(const Rect& r) {
  if (state_.hwnd == nullptr || r.Empty()) return;
  const RECT area = state_.scale.Covering(r);
  ::InvalidateRect(state_.hwnd, &area, FALSE);
}

void Win32Window::Close() {
  if (state_.hwnd != nullptr) ::PostMessageW(state_.hwnd, WM_CLOSE, 0, 0);
}

void Win32Window::RunEventLoop() {
  if (state_.hwnd == nullptr) return;
  state_.dispatch.Show();
  // The owner first, so that the task-bar button appears; it never takes the
  // focus. The main window is activated: hot keys under Wine need a focused
  // Wine window.
  ::ShowWindow(state_.owner, SW_SHOWNOACTIVATE);
  ::ShowWindow(state_.hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(state_.hwnd);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  state_.dispatch.LoopEnded();
  ::KillTimer(state_.hwnd, kTimerId);
}

void Win32Window::Destroy() {
  if (state_.hwnd == nullptr) return;
  // The form's last words run while the window still exists.
  state_.dispatch.Destroy();
  ReleaseHotKeys();
  DestroyNative();
}

}  // namespace velmora
