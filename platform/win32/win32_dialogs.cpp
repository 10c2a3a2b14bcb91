// The colour chooser, the error box, cancelling a mouse mode and the
// system's colours.
#include "platform/win32/Win32Platform.h"

namespace velmora {

bool Win32Platform::PickColor(IWindow* owner, TColor& color) {
  // NOTE: the chooser does not open without a custom-colour array; it starts
  // with sixteen white boxes and is forgotten afterwards.
  COLORREF customColors[16];
  for (COLORREF& c : customColors) c = RGB(255, 255, 255);

  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = HwndOf(owner);
  cc.rgbResult = static_cast<COLORREF>(color) & 0x00FFFFFF;
  cc.lpCustColors = customColors;
  cc.Flags = CC_FULLOPEN | CC_RGBINIT;
  using ChooseColorFn = BOOL(WINAPI*)(LPCHOOSECOLORA);
  static const auto chooseColor = SystemFunctionOf<ChooseColorFn>("comdlg32.dll", "ChooseColorA");
  if (!chooseColor(&cc)) return false;
  color = static_cast<TColor>(cc.rgbResult);
  return true;
}

void Win32Platform::ShowErrorBox(IWindow* owner, const std::string& caption,
                                 const std::string& text) {
  ::MessageBoxW(HwndOf(owner), Wide(text).c_str(), Wide(caption).c_str(), MB_ICONERROR | MB_OK);
}

void Win32Platform::CancelPointerCapture() {
  // GetCapture only sees this thread's windows: the capture is ours.
  if (const HWND capture = ::GetCapture()) ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
}

int Win32Platform::DragThreshold() {
  return ::GetSystemMetrics(SM_CXDRAG);
}

TColor Win32Platform::SystemColorValue(SystemColor color) {
  switch (color) {
    case SystemColor::WindowText:
      break;
  }
  return static_cast<TColor>(::GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace velmora
