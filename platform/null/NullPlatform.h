// An in-memory platform for the unit tests: a scripted screen, a clipboard
// that holds text, global atoms and hot keys, a file store, recorded shell
// requests and message boxes, and one window whose canvas paints into a pixel
// buffer. Tests drive it through its public state and the Send* methods.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// A canvas that paints into a pixel buffer and records every text it draws.
class NullCanvas : public ICanvas {
 public:
  struct TextRun {
    Rect rect;
    std::string text;
    FontSpec font;
    TColor color;
    TextAlign align;
  };

  NullCanvas(int width, int height);
  void FillRect(const Rect& r, TColor color) override;
  void FrameRect(const Rect& r, TColor color) override;
  void DrawText(const Rect& r, const std::string& text, const FontSpec& font, TColor color,
                TextAlign align) override;
  // Every character is kNullCharWidth x kNullLineHeight pixels at 8 pt,
  // scaled with the point size.
  Size MeasureText(const std::string& text, const FontSpec& font) override;
  static constexpr int kNullCharWidth = 5;
  static constexpr int kNullLineHeight = 13;

  TColor PixelAt(int x, int y) const;
  // The last text drawn whose rectangle starts at (x, y), or nullptr.
  const TextRun* TextAt(int x, int y) const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::vector<TextRun> texts;
  // Drawing is clipped to this rectangle (the area being painted).
  Rect clip;

 private:
  int width_;
  int height_;
  std::vector<TColor> pixels_;
};

class NullPlatform : public IPlatform {
 public:
  NullPlatform();
  ~NullPlatform() override;

  // --- Scripted state tests set and read ---------------------------------
  Size screenSize{1024, 768};
  Point pointer;
  bool pointerReadable = true;
  int pointerErrorCode = 5;  // the code reported while the pointer cannot be read
  std::map<int, std::string> errorDescriptions;
  // Pixels of the screen; any other pixel reads as `screenFill`.
  std::map<std::pair<int, int>, TColor> screenPixels;
  TColor screenFill = 0;
  bool screenDCAvailable = true;
  int screenDCsOut = 0;  // obtained and not yet released
  int screenDCsTaken = 0;

  std::map<std::uint16_t, int> atomRefs;    // atom value -> reference count
  std::map<std::string, std::uint16_t> atomNames;
  std::uint16_t nextAtom = 0xC123;
  struct HotKey {
    WindowHandle window;
    unsigned modifiers;
    unsigned vk;
  };
  std::map<int, HotKey> hotKeys;  // registered, by identifier
  std::set<std::pair<unsigned, unsigned>> hotKeysHeldElsewhere;  // (modifiers, vk)

  // The clipboard: the formats it holds (only text is modelled, plus a marker
  // of other content) and who has it open.
  std::string clipboardText;
  bool clipboardHasOtherFormat = false;
  bool clipboardOpen = false;
  int clipboardBusyAttempts = 0;  // the next N opens fail (another program holds it)
  bool clipboardRefusesData = false;
  int clipboardOpens = 0;
  int sleptMs = 0;

  std::vector<std::string> shellRequests;
  struct MessageBox {
    std::string caption;
    std::string text;
  };
  std::vector<MessageBox> errorBoxes;
  // Runs while an error box is "open" (before ShowErrorBox returns).
  std::function<void()> whileErrorBoxOpen;
  WindowHandle captureWindow = 0;
  std::vector<WindowHandle> cancelModeSent;

  // The colour chooser: what the user will do next, and what it was shown.
  bool chooserConfirms = false;
  TColor chooserPick = 0;
  std::vector<TColor> chooserShown;

  // Files: full name -> bytes; existing folders; names that cannot be written.
  std::string commonDocuments = "C:\\Users\\Public\\Documents";
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> readOnly;

  // --- The window -----------------------------------------------------------
  IWindowEvents* events = nullptr;
  WindowHandle window = 0;
  WindowSpec windowSpec;
  Rect bounds;
  int dpi = 96;
  bool visible = false;
  bool closeRequested = false;
  bool destroyed = false;
  int timerMs = 0;
  std::vector<Rect> invalidated;
  std::map<int, std::pair<Rect, std::string>> tooltips;
  std::vector<MouseButton> moves;  // BeginWindowMove requests
  std::function<void()> eventLoopBody;  // runs inside RunEventLoop after OnShow
  ExceptionHandler exceptionHandler;

  // Event senders: each goes through the same exception boundary as a real
  // window procedure.
  void SendTimer();
  void SendHotKey(int id);
  void SendMouseDown(Point p, MouseButton b = MouseButton::Left);
  void SendMouseUp(Point p, MouseButton b = MouseButton::Left);
  void SendClick(Point p);  // left down and up
  void SendMouseMove(Point p);
  void SendSessionEnd();
  // Paints the whole client area into a fresh canvas and returns it.
  NullCanvas Paint();
  // Runs `fn` as an event handler: exceptions go to the exception handler.
  void Dispatch(const std::function<void()>& fn);

  // --- IPlatform ----------------------------------------------------------
  ScreenDCHandle GetScreenDC() override;
  void ReleaseScreenDC(ScreenDCHandle dc) override;
  bool GetPointerPos(Point& p) override;
  TColor GetPixel(ScreenDCHandle dc, Point p) override;
  Size PrimaryScreenSize() override { return screenSize; }
  int LastErrorCode() override { return lastError_; }
  std::string ErrorDescription(int code) override;
  std::uint16_t AddGlobalAtom(const std::string& name) override;
  void DeleteGlobalAtom(std::uint16_t atom) override;
  bool RegisterHotKey(WindowHandle w, int id, unsigned modifiers, unsigned vk) override;
  bool UnregisterHotKey(WindowHandle w, int id) override;
  bool OpenClipboard(WindowHandle owner) override;
  bool EmptyClipboard() override;
  bool SetClipboardText(const std::string& text) override;
  void CloseClipboard() override;
  void Sleep(int milliseconds) override { sleptMs += milliseconds; }
  void ShellOpen(WindowHandle owner, const std::string& address) override;
  std::string CommonDocumentsFolder() override { return commonDocuments; }
  std::string ReadProfileString(const std::string& file, const std::string& section,
                                const std::string& key) override;
  bool WriteProfileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) override;
  bool CreateFolders(const std::string& path) override;
  bool ChooseColor(WindowHandle owner, TColor& color) override;
  void ShowErrorBox(WindowHandle owner, const std::string& caption,
                    const std::string& text) override;
  WindowHandle CaptureWindow() override { return captureWindow; }
  void CancelMode(WindowHandle w) override;
  WindowHandle CreateMainWindow(const WindowSpec& desc, IWindowEvents* events) override;
  Rect WindowBounds(WindowHandle) override { return bounds; }
  void SetWindowBounds(WindowHandle w, const Rect& b) override;
  int ToScreenPixels(WindowHandle, int length) override { return length * dpi / 96; }
  void StartTimer(WindowHandle, int milliseconds) override { timerMs = milliseconds; }
  void Invalidate(WindowHandle, const Rect& r) override { invalidated.push_back(r); }
  void SetTooltip(WindowHandle, int tool, const Rect& r, const std::string& text) override;
  void BeginWindowMove(WindowHandle, MouseButton button) override { moves.push_back(button); }
  void CloseWindow(WindowHandle) override { closeRequested = true; }
  void SetExceptionHandler(ExceptionHandler handler) override;
  void RunEventLoop(WindowHandle w) override;
  void DestroyWindow(WindowHandle w) override;

 private:
  int lastError_ = 0;
};

}  // namespace velmora
