// Mouse input of the main window: buttons, moves, leaving, the pointer
// shape, moving the window with the pointer, and tooltips.
#include "platform/win32/Win32Window.h"

namespace velmora {

namespace {

Point ClientPoint(const WindowState& s, LPARAM lParam) {
  return s.scale.ToLogical(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

LPCSTR CursorName(PointerShape shape) {
  switch (shape) {
    case PointerShape::Move:
      return IDC_SIZEALL;
    case PointerShape::Hand:
      return IDC_HAND;
    case PointerShape::Arrow:
      break;
  }
  return IDC_ARROW;
}

TTTOOLINFOW ToolInfo(const WindowState& s, int tool) {
  TTTOOLINFOW ti{};
  // NOTE: the version-2 size is accepted by every comctl32 from 4.70 on; the
  // full size of newer headers is refused by comctl32 5.x, the one a program
  // gets when its manifest is missing.
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = s.hwnd;
  ti.uId = static_cast<UINT_PTR>(tool);
  return ti;
}

// Adds a tool to the tooltip control, or (`known`) brings its area and text up to date.
void PutTool(WindowState& s, int tool, bool known) {
  const WindowState::Tool& t = s.tools.at(tool);
  TTTOOLINFOW ti = ToolInfo(s, tool);
  ti.rect = s.scale.ToPhysical(t.area);
  ti.lpszText = const_cast<wchar_t*>(t.text.c_str());
  if (!known) {
    ::SendMessageW(s.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return;
  }
  ::SendMessageW(s.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
  ::SendMessageW(s.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

// The tooltip control, made when the pointer first comes over the window:
// the common controls' library costs start-up time that the strip does not
// need. Throws when the library cannot be loaded.
void MakeTooltips(WindowState& s) {
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const auto init = SystemFunctionOf<InitFn>("comctl32.dll", "InitCommonControlsEx");
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  init(&controls);
  // Shown whether the window is active or not, "&" as it stands.
  s.tooltip = ::CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, s.hwnd, nullptr,
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(s.hwnd, GWLP_HINSTANCE)), nullptr);
  if (s.tooltip == nullptr) return;
  for (const auto& entry : s.tools) PutTool(s, entry.first, false);
}

}  // namespace

void OnMouseButton(WindowState& s, UINT message, WPARAM wParam, LPARAM lParam) {
  const Point p = ClientPoint(s, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const MouseButton button = message == WM_LBUTTONDOWN   ? MouseButton::Left
                                 : message == WM_RBUTTONDOWN ? MouseButton::Right
                                                             : MouseButton::Middle;
      // The window keeps the mouse while a button is down, so the release
      // reaches it even outside (a press on a link released elsewhere is no
      // click).
      ::SetCapture(s.hwnd);
      const DWORD pressed = ::GetMessagePos();
      s.press = POINT{GET_X_LPARAM(pressed), GET_Y_LPARAM(pressed)};
      s.dispatch.MouseDown(p, button);
      return;
    }
    default: {
      const MouseButton button = message == WM_LBUTTONUP   ? MouseButton::Left
                                 : message == WM_RBUTTONUP ? MouseButton::Right
                                                           : MouseButton::Middle;
      // Released before the form hears of it: a click may open a dialog.
      const bool anyHeld = (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
      if (!anyHeld && ::GetCapture() == s.hwnd) ::ReleaseCapture();
      s.dispatch.MouseUp(p, button);
      return;
    }
  }
}

void OnMouseMove(WindowState& s, LPARAM lParam) {
  if (!s.tooltipTried) {
    s.tooltipTried = true;
    try {
      MakeTooltips(s);
    } catch (...) {
      s.dispatch.Report(std::current_exception());
    }
  }
  if (!s.trackingLeave) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, s.hwnd, 0};
    s.trackingLeave = ::TrackMouseEvent(&track) != FALSE;
  }
  const Point p = ClientPoint(s, lParam);
  s.dispatch.MouseMove(p);
}

void OnMouseLeave(WindowState& s) {
  s.trackingLeave = false;
  s.dispatch.MouseLeave();
}

bool OnSetCursor(WindowState& s, HWND over, UINT hitTest) {
  if (over != s.hwnd || hitTest != HTCLIENT) return false;
  POINT pt;
  if (!::GetCursorPos(&pt)) return false;
  ::ScreenToClient(s.hwnd, &pt);
  const PointerShape shape = s.dispatch.PointerAt(s.scale.ToLogical(pt));
  ::SetCursor(::LoadCursorA(nullptr, CursorName(shape)));
  return true;
}

void TrackWindowMove(HWND hwnd, MouseButton button, POINT start) {
  const UINT releaseMessage = button == MouseButton::Right ? WM_RBUTTONUP : WM_MBUTTONUP;
  const WPARAM heldFlag = button == MouseButton::Right ? MK_RBUTTON : MK_MBUTTON;
  RECT origin;
  ::GetWindowRect(hwnd, &origin);
  const auto moveTo = [hwnd](int x, int y) {
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };

  // Like the system's move loop: other messages (timer ticks, painting) are
  // dispatched meanwhile, and losing the capture (WM_CANCELMODE, another
  // window taking the mouse) ends the move.
  ::SetCapture(hwnd);
  POINT now;
  if (::GetCursorPos(&now) && (now.x != start.x || now.y != start.y)) {
    moveTo(origin.left + now.x - start.x, origin.top + now.y - start.y);
  }
  MSG msg;
  while (::GetCapture() == hwnd) {
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      break;
    }
    if (msg.message == releaseMessage) break;
    if (msg.message == WM_MOUSEMOVE) {
      if ((msg.wParam & heldFlag) == 0) break;  // released where we did not see it
      moveTo(origin.left + msg.pt.x - start.x, origin.top + msg.pt.y - start.y);
      continue;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      moveTo(origin.left, origin.top);
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (::GetCapture() == hwnd) ::ReleaseCapture();
}

void Win32Window::BeginMove(MouseButton button) {
  WindowState* s = &state_;
  if (s->hwnd == nullptr) return;
  if (button == MouseButton::Left) {
    // The system moves the window as if its caption bar had been pressed.
    ::ReleaseCapture();
    ::SendMessageW(s->hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return;
  }
  // NOTE: the system's move loop ends only on a left-button release: started
  // by a right or middle press, the window would follow the pointer after
  // that button is up, until the next left click (seen under Wine). Those
  // buttons get a small move loop of our own that ends on their release.
  // The move may start after the pointer left the press (a right press is a
  // click until it goes past the drag threshold): it follows from the press.
  TrackWindowMove(s->hwnd, button, s->press);
}

void Win32Window::SetTooltip(int tool, const Rect& r, const std::string& text) {
  WindowState& s = state_;
  if (s.hwnd == nullptr) return;
  const bool known = s.tools.count(tool) != 0;
  s.tools[tool] = WindowState::Tool{r, Wide(text)};
  if (s.tooltip != nullptr) PutTool(s, tool, known);
}

void RescaleTooltips(WindowState& s) {
  if (s.tooltip == nullptr) return;
  for (const auto& [tool, t] : s.tools) {
    TTTOOLINFOW ti = ToolInfo(s, tool);
    ti.rect = s.scale.ToPhysical(t.area);
    ::SendMessageW(s.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

}  // namespace velmora
