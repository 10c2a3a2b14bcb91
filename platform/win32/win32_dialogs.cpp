// The colour chooser, the message boxes, the save dialog, cancelling a
// mouse mode and the system's colours.
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

void Win32Platform::ShowInfoBox(IWindow* owner, const std::string& caption,
                                const std::string& text) {
  ::MessageBoxW(HwndOf(owner), Wide(text).c_str(), Wide(caption).c_str(),
                MB_ICONINFORMATION | MB_OK);
}

bool Win32Platform::ChooseSaveFile(IWindow* owner, const std::string& title,
                                   const std::string& suggested,
                                   const std::vector<std::pair<std::string, std::string>>& filters,
                                   std::string& file) {
  // The filters as the dialog takes them: "name\0pattern\0...\0\0".
  WideText filterText;
  for (const auto& [name, pattern] : filters) {
    filterText += Wide(name);
    filterText.push_back(L'\0');
    filterText += Wide(pattern);
    filterText.push_back(L'\0');
  }
  filterText.push_back(L'\0');
  const WideText caption = Wide(title);
  WideText name = Wide(suggested);
  name.resize(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = HwndOf(owner);
  ofn.lpstrFilter = filterText.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = &name[0];
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrTitle = caption.c_str();
  // NOTE: with a default extension the dialog adds the chosen filter's
  // extension to a name typed without one.
  ofn.lpstrDefExt = L"gpl";
  ofn.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  using GetSaveFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
  static const auto getSaveFileName =
      SystemFunctionOf<GetSaveFileNameFn>("comdlg32.dll", "GetSaveFileNameW");
  if (!getSaveFileName(&ofn)) return false;
  file = Utf8(name.c_str());
  return true;
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
