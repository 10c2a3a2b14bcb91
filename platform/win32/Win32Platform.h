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

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// The backend's services; the window itself is a Win32Window (Win32Window.h).
class Win32Platform : public IPlatform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  // Screen (win32_screen.cpp)
  PixelReading ReadPixelUnderPointer() override;
  Rect PrimaryScreen() override;
  PixelBlock ReadPixelBlock(const Rect& area) override;
  PixelReading ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) override;
  std::vector<Rect> Monitors() override;

  // Clipboard and desktop (win32_services.cpp)
  ClipboardResult SetClipboardText(IWindow* owner, const std::string& text) override;
  void Pause(int milliseconds) override;
  void OpenAddress(IWindow* owner, const std::string& address) override;
  // Start at login (win32_login.cpp)
  bool StartsAtLogin() override;
  bool SetStartAtLogin(bool on) override;

  // Files (win32_files.cpp)
  std::string ConfigBaseFolder() override;
  char PathSeparator() override { return '\\'; }
  std::vector<std::string> ReadProfileValues(const std::string& file, const std::string& section,
                                             const std::vector<std::string>& keys) override;
  bool WriteProfileValues(const std::string& file, const std::string& section,
                          const ProfileValues& values) override;
  bool CreateFolders(const std::string& path) override;
  bool WriteFileReplacing(const std::string& file, const std::string& bytes) override;

  // Dialogs (win32_dialogs.cpp)
  bool PickColor(IWindow* owner, TColor& color) override;
  void ShowErrorBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  void ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  bool ChooseSaveFile(IWindow* owner, const std::string& title, const std::string& suggested,
                      const std::vector<std::pair<std::string, std::string>>& filters,
                      std::string& file) override;
  void CancelPointerCapture() override;
  int DragThreshold() override;
  TColor SystemColorValue(SystemColor color) override;

  // The main window (win32_window.cpp)
  std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, const std::string& appTitle,
                                            IWindowEvents& events) override;
  // The magnifier's loupe (win32_loupe.cpp)
  std::unique_ptr<ILoupeWindow> CreateLoupeWindow(int side) override;

 protected:
  // Where the pointer is, in screen pixels; false (with the thread's last
  // error set) when the system will not say. Tests replace it to see a
  // refusal through.
  virtual bool ReadPointerPosition(POINT& p);
  // The screens' geometry as the system tells it now: the virtual desktop
  // (every monitor) and the primary screen. Tests replace it.
  struct DisplayGeometry {
    Rect desktop;
    Rect primary;
  };
  virtual DisplayGeometry ReadDisplayGeometry();

 private:
  void RegisterWindowClasses();
  // The pointer's position, or the system's error text (no colour yet).
  PixelReading ReadPointer();
  // Sets `block` to `area`: the part on the desktop copied from `screen` in
  // one BitBlt (false when nothing was copied), the rest off-screen black.
  bool CopyBlock(HDC screen, const Rect& area, PixelBlock& block);
  // The geometry read last, read again after a display change or when
  // `inside` lies outside its desktop (a monitor joined).
  const DisplayGeometry& Geometry(Point inside);

  HINSTANCE instance_ = nullptr;
  ATOM windowClass_ = 0;
  ATOM ownerClass_ = 0;
  ATOM loupeClass_ = 0;
  // The bitmap ReadPixelBlock copies the screen into, kept from one tick to
  // the next (selected into its memory DC) while the block's size stays.
  struct BlockBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;
    Size size;
    ~BlockBitmap() { Release(); }
    void Release();
  };
  BlockBitmap block_;
  // NOTE: asking the system for the screens' size costs more than reading a
  // pixel under Wine (some 0.1 ms a question), so it is kept between ticks.
  DisplayGeometry geometry_;
  unsigned geometryChanges_ = 0;
  bool geometryRead_ = false;
};

// Told by the windows of every WM_DISPLAYCHANGE: each Win32Platform reads
// the screens' geometry again before it next uses it.
void NoteDisplayChange();

// The native window of one of our windows (nullptr for none): every IWindow
// this backend sees is a Win32Window it made.
HWND HwndOf(IWindow* window);

// An allocator that only forwards to new and delete. It gives WideText a type
// of its own, so the compiler instantiates just the string members we call;
// std::wstring would link the standard library's whole wide-string object
// into Velmora.exe (some 35 KB of a budget of 300 KB).
template <typename T>
struct PlainAllocator {
  using value_type = T;
  PlainAllocator() = default;
  template <typename U>
  PlainAllocator(const PlainAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) { ::operator delete(p); }
  template <typename U>
  bool operator==(const PlainAllocator<U>&) const { return true; }
  template <typename U>
  bool operator!=(const PlainAllocator<U>&) const { return false; }
};
using WideText = std::basic_string<wchar_t, std::char_traits<wchar_t>, PlainAllocator<wchar_t>>;

// Texts cross the seam as UTF-8; the system takes UTF-16 (win32_text.cpp).
WideText Wide(const std::string& utf8);
std::string Utf8(const wchar_t* text, int length = -1);
// The text in the ANSI code page (the clipboard's CF_TEXT).
std::string Ansi(const std::string& utf8);

// The system's own description of an error number, without trailing blanks,
// line breaks and full stops.
std::string SystemErrorText(DWORD code);

// A function of a system library that only some actions need, loaded on the
// first call: the strip shows without the colour chooser's and the
// tooltips' libraries, so start-up does not wait for them. Throws an error
// naming the library when it cannot be loaded.
void* SystemFunction(const char* library, const char* function);

template <typename Fn>
Fn SystemFunctionOf(const char* library, const char* function) {
  return reinterpret_cast<Fn>(SystemFunction(library, function));
}

}  // namespace velmora
