// The colour chooser, the error box and cancelling a mouse mode.
#include "platform/win32/Win32Platform.h"

namespace velmora {

bool Win32Platform::ChooseColor(WindowHandle owner, TColor& color) {
  // NOTE: the chooser does not open without a custom-colour array; it starts
  // with sixteen white boxes and is forgotten afterwards.
  COLORREF customColors[16];
  for (COLORREF& c : customColors) c = RGB(255, 255, 255);

  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = reinterpret_cast<HWND>(owner);
  cc.rgbResult = static_cast<COLORREF>(color) & 0x00FFFFFF;
  cc.lpCustColors = customColors;
  cc.Flags = CC_FULLOPEN | CC_RGBINIT;
  if (!::ChooseColorA(&cc)) return false;
  color = static_cast<TColor>(cc.rgbResult);
  return true;
}

void Win32Platform::ShowErrorBox(WindowHandle owner, const std::string& caption,
                                 const std::string& text) {
  ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}

WindowHandle Win32Platform::CaptureWindow() {
  return reinterpret_cast<WindowHandle>(::GetCapture());
}

void Win32Platform::CancelMode(WindowHandle w) {
  ::SendMessageA(reinterpret_cast<HWND>(w), WM_CANCELMODE, 0, 0);
}

}  // namespace velmora
