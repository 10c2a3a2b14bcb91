#include "tests/wine/Win32TestSupport.h"

#include <exception>

namespace velmora {

namespace {

constexpr char kTestWindowClass[] = "VelmoraTestWindow";

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT client;
    ::GetClientRect(hwnd, &client);
    const auto color = static_cast<COLORREF>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    ::SetBkColor(reinterpret_cast<HDC>(wParam), color);
    ::ExtTextOutA(reinterpret_cast<HDC>(wParam), 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    return 1;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterTestWindowClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TestWindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kTestWindowClass;
  ::RegisterClassA(&wc);  // fails harmlessly once registered
}

void Send(INPUT input) {
  ::SendInput(1, &input, sizeof input);
}

}  // namespace

TestWindow::TestWindow(COLORREF color, const RECT* bounds) : color_(color) {
  RegisterTestWindowClass();
  const DWORD exStyle = bounds != nullptr ? WS_EX_TOPMOST | WS_EX_TOOLWINDOW : 0;
  const RECT r = bounds != nullptr ? *bounds : RECT{0, 0, 10, 10};
  hwnd_ = ::CreateWindowExA(exStyle, kTestWindowClass, "Velmora test window", WS_POPUP, r.left,
                            r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            ::GetModuleHandleA(nullptr), nullptr);
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, static_cast<LONG_PTR>(color_));
  if (bounds != nullptr) {
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd_);
  }
}

TestWindow::~TestWindow() {
  ::DestroyWindow(hwnd_);
}

ClipboardHolder::ClipboardHolder() {
  opened_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  release_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = ::CreateThread(nullptr, 0, &ClipboardHolder::Hold, this, 0, nullptr);
  ::WaitForSingleObject(opened_, 5000);
}

ClipboardHolder::~ClipboardHolder() {
  ::SetEvent(release_);
  ::WaitForSingleObject(thread_, 5000);
  for (HANDLE h : {thread_, opened_, release_}) ::CloseHandle(h);
}

DWORD WINAPI ClipboardHolder::Hold(void* param) {
  auto* self = static_cast<ClipboardHolder*>(param);
  TestWindow window;
  self->holding_ = ::OpenClipboard(window) != FALSE;
  ::SetEvent(self->opened_);
  ::WaitForSingleObject(self->release_, 10000);
  if (self->holding_) ::CloseClipboard();
  return 0;
}

void PumpMessages(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (::GetTickCount() - start >= static_cast<DWORD>(milliseconds)) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

namespace {

struct LoopBody {
  const std::function<void()>* body = nullptr;
  IWindow* window = nullptr;
  std::exception_ptr error;
};
LoopBody* g_loopBody = nullptr;

// A thread timer's procedure: DispatchMessage calls it from the event loop.
// Nothing may unwind through the system's frames, so errors are kept.
VOID CALLBACK RunLoopBody(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
  ::KillTimer(nullptr, timer);
  LoopBody* run = g_loopBody;
  if (run == nullptr || run->body == nullptr) return;
  g_loopBody = nullptr;
  try {
    (*run->body)();
  } catch (...) {
    run->error = std::current_exception();
  }
  run->window->Close();
}

}  // namespace

void WithinEventLoop(IWindow& window, const std::function<void()>& body) {
  LoopBody run{&body, &window, nullptr};
  g_loopBody = &run;
  ::SetTimer(nullptr, 0, 0, RunLoopBody);
  window.RunEventLoop();
  g_loopBody = nullptr;
  if (run.error) std::rethrow_exception(run.error);
}

std::string Describe(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (int n) {
    return "int " + std::to_string(n);
  } catch (...) {
    return "unknown";
  }
}

std::string ClipboardText() {
  if (!::OpenClipboard(nullptr)) return "(clipboard busy)";
  std::string text = "(none)";
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const char* chars = static_cast<const char*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void MovePointerTo(int x, int y) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Absolute positions run from 0 to 65535 across the primary screen; the
  // system takes the pixel position as dx * width / 65536, rounded down.
  const long long width = ::GetSystemMetrics(SM_CXSCREEN);
  const long long height = ::GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = static_cast<LONG>((x * 65536LL + width - 1) / width);
  input.mi.dy = static_cast<LONG>((y * 65536LL + height - 1) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  Send(input);
}

void PressButton(MouseButton button, bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  switch (button) {
    case MouseButton::Left:
      input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
      break;
    case MouseButton::Right:
      input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
      break;
    case MouseButton::Middle:
      input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
      break;
  }
  Send(input);
}

void PressAltWith(char key) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  const WORD keys[2] = {VK_MENU, static_cast<WORD>(key)};
  for (WORD vk : keys) {
    input.ki.wVk = vk;
    input.ki.dwFlags = 0;
    Send(input);
  }
  for (int i = 1; i >= 0; --i) {
    input.ki.wVk = keys[i];
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    Send(input);
  }
}

}  // namespace velmora
