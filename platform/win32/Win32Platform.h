// The Win32 backend. The backend's files (and only they) see <windows.h>,
// through this header; everything it knows lives in one Win32Platform object.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The other system headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>
// clang-format on
// NOTE: the system headers map DrawText, WriteProfileString and ChooseColor
// to their ANSI names; without this our overrides would get names the
// portable code never declared. The backend calls those APIs by their "A"
// names.
#undef DrawText
#undef WriteProfileString
#undef ChooseColor

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace velmora {

class Win32Platform : public IPlatform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  // Screen and errors (win32_screen.cpp)
  ScreenDCHandle GetScreenDC() override;
  void ReleaseScreenDC(ScreenDCHandle dc) override;
  bool GetPointerPos(Point& p) override;
  TColor GetPixel(ScreenDCHandle dc, Point p) override;
  Size PrimaryScreenSize() override;
  int LastErrorCode() override;
  std::string ErrorDescription(int code) override;

  // Atoms, hot keys, clipboard, shell (win32_services.cpp)
  std::uint16_t AddGlobalAtom(const std::string& name) override;
  void DeleteGlobalAtom(std::uint16_t atom) override;
  bool RegisterHotKey(WindowHandle w, int id, unsigned modifiers, unsigned vk) override;
  bool UnregisterHotKey(WindowHandle w, int id) override;
  bool OpenClipboard(WindowHandle owner) override;
  bool EmptyClipboard() override;
  bool SetClipboardText(const std::string& text) override;
  void CloseClipboard() override;
  void Sleep(int milliseconds) override;
  void ShellOpen(WindowHandle owner, const std::string& address) override;

  // Files (win32_files.cpp)
  std::string CommonDocumentsFolder() override;
  std::string ReadProfileString(const std::string& file, const std::string& section,
                                const std::string& key) override;
  bool WriteProfileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) override;
  bool CreateFolders(const std::string& path) override;

  // Dialogs (win32_dialogs.cpp)
  bool ChooseColor(WindowHandle owner, TColor& color) override;
  void ShowErrorBox(WindowHandle owner, const std::string& caption,
                    const std::string& text) override;
  WindowHandle CaptureWindow() override;
  void CancelMode(WindowHandle w) override;

  // The main window and the event loop (win32_window.cpp, win32_window_input.cpp;
  // its canvas: win32_canvas.cpp)
  WindowHandle CreateMainWindow(const WindowSpec& desc, IWindowEvents* events) override;
  Rect WindowBounds(WindowHandle w) override;
  void SetWindowBounds(WindowHandle w, const Rect& bounds) override;
  int ToScreenPixels(WindowHandle w, int length) override;
  void StartTimer(WindowHandle w, int milliseconds) override;
  void Invalidate(WindowHandle w, const Rect& r) override;
  void SetTooltip(WindowHandle w, int tool, const Rect& r, const std::string& text) override;
  void BeginWindowMove(WindowHandle w, MouseButton button) override;
  void CloseWindow(WindowHandle w) override;
  void SetExceptionHandler(ExceptionHandler handler) override;
  void RunEventLoop(WindowHandle w) override;
  void DestroyWindow(WindowHandle w) override;

  // State of the window part; the window procedure reaches it through the
  // window's user data. Defined in Win32Window.h.
  struct WindowState;

 private:
  // The window state for `w`, or nullptr when `w` is not our window.
  WindowState* StateOf(WindowHandle w) const;
  void RegisterWindowClasses();
  // Hands an exception that escaped an event handler to the handler, if any.
  void Deliver(std::exception_ptr error) noexcept;

  HINSTANCE instance_ = nullptr;
  ATOM windowClass_ = 0;
  ATOM ownerClass_ = 0;
  std::unique_ptr<WindowState> window_;
  ExceptionHandler onException_;
};

}  // namespace velmora
