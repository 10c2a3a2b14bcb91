// The magnifier's loupe: a borderless topmost tool window that never takes
// the focus, its image painted one for one in physical pixels (the program
// is per-monitor DPI aware).
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace velmora {

namespace {

constexpr wchar_t kLoupeClassName[] = L"VelmoraLoupe";

class Win32LoupeWindow : public ILoupeWindow {
 public:
  Win32LoupeWindow(HINSTANCE instance, ATOM windowClass, int side)
      : side_(side), bits_(static_cast<std::size_t>(side * side), 0) {
    hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                              reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)),
                              L"Velmora Magnifier", WS_POPUP, 0, 0, side, side, nullptr, nullptr,
                              instance, this);
    if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the magnifier's window");
  }
  ~Win32LoupeWindow() override {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  }
  Win32LoupeWindow(const Win32LoupeWindow&) = delete;
  Win32LoupeWindow& operator=(const Win32LoupeWindow&) = delete;

  void MoveTo(Point corner) override {
    ::SetWindowPos(hwnd_, HWND_TOPMOST, corner.x, corner.y, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }

  void ShowImage(const std::vector<TColor>& pixels) override {
    for (std::size_t i = 0; i < bits_.size(); ++i) {
      const auto c = static_cast<std::uint32_t>(pixels[i]);
      // TColor is 0x00BBGGRR; a 32-bit DIB holds 0x00RRGGBB.
      bits_[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    if (!shown_) {
      ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
      shown_ = true;
    }
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32LoupeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
      case WM_PAINT:
        if (self != nullptr) {
          self->OnPaint(hwnd);
          return 0;
        }
        break;
      case WM_ERASEBKGND:
        return 1;
      case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
      case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }

 private:
  void OnPaint(HWND hwnd) {
    ScopedPaint paint(hwnd);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = side_;
    info.bmiHeader.biHeight = -side_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(paint.DC(), 0, 0, static_cast<DWORD>(side_), static_cast<DWORD>(side_), 0,
                        0, 0, static_cast<UINT>(side_), bits_.data(), &info, DIB_RGB_COLORS);
  }

  HWND hwnd_ = nullptr;
  int side_;
  std::vector<std::uint32_t> bits_;
  bool shown_ = false;
};

}  // namespace

std::unique_ptr<ILoupeWindow> Win32Platform::CreateLoupeWindow(int side) {
  if (loupeClass_ == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpfnWndProc = Win32LoupeWindow::WindowProc;
    wc.lpszClassName = kLoupeClassName;
    loupeClass_ = ::RegisterClassExW(&wc);
  }
  return std::make_unique<Win32LoupeWindow>(instance_, loupeClass_, side);
}

}  // namespace velmora
