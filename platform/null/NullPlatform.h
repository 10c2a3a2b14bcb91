// An in-memory platform for the unit tests: a scripted screen, a clipboard
// that holds text, hot keys (some held by "another program"), a file store,
// recorded desktop requests and message boxes, and one window whose canvas
// paints into a pixel buffer. All its state is the public fields of
// NullPlatform; tests set and read them and drive the window through the
// Send* methods, which report through the window's EventDispatch like a
// real backend.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// A canvas that paints into a pixel buffer and records every text it draws.
//
// Text is measured with a fixed model, the same for every font: every byte
// advances kNullCharWidth pixels, a line is kNullLineHeight pixels high, and
// there are no line breaks.
class NullCanvas : public ICanvas {
 public:
  struct TextRun {
    Rect rect;
    std::string text;
    FontRole font;
    TColor color;
    TextAlign align;
  };

  NullCanvas(int width, int height);
  void FillRect(const Rect& r, TColor color) override;
  void FrameRect(const Rect& r, TColor color) override;
  void PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                 TextAlign align) override;
  Size MeasureText(const std::string& text, FontRole font) override;
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

class NullWindow;

class NullPlatform : public IPlatform {
 public:
  // Makes itself the current platform for its lifetime.
  NullPlatform();
  ~NullPlatform() override;

  // --- Screen ---------------------------------------------------------------
  Rect screen{0, 0, 1024, 768};  // the primary monitor
  std::vector<Rect> otherMonitors;  // e.g. one left of the primary: negative x
  Point pointer;
  bool pointerReadable = true;
  // What the reading says while the pointer cannot be read.
  std::string pointerError = "System Error.  Code: 5.\r\nAccess is denied";
  // Pixels of the monitors; any other pixel on one reads as `screenFill`,
  // any pixel off them all as kInvalidColor.
  std::map<std::pair<int, int>, TColor> screenPixels;
  TColor screenFill = 0;
  bool pixelsReadable = true;  // false: every pixel reads as kInvalidColor
  int pixelReads = 0;          // calls of ReadPixelUnderPointer
  int blockReads = 0;          // calls of ReadPixelBlock
  int pointerBlockReads = 0;   // calls of ReadPixelAndBlockUnderPointer (one read each)

  // --- The magnifier's loupe (one at a time) ------------------------------------
  // A visible loupe covers the screen: the pixels under it read as its own.
  int loupesCreated = 0;
  bool loupeAlive = false;
  int loupeSide = 0;
  Point loupeCorner;
  bool loupeVisible = false;
  std::vector<TColor> loupePixels;
  int loupePaints = 0;  // ShowImage calls

  // --- Hot keys -------------------------------------------------------------
  // Bound keys, by the identifier BindHotKey handed out.
  std::map<int, HotKey> hotKeys;
  std::set<HotKey> hotKeysHeldElsewhere;  // another program has these

  // --- Clipboard --------------------------------------------------------------
  // Only text is modelled, plus a marker of other content.
  std::string clipboardText;
  bool clipboardHasOtherFormat = false;
  bool clipboardHeldElsewhere = false;  // every attempt finds it busy
  int clipboardBusyAttempts = 0;        // the next N attempts find it busy
  bool clipboardRefusesData = false;
  int clipboardAttempts = 0;
  IWindow* clipboardOwner = nullptr;
  int sleptMs = 0;

  // --- Desktop and dialogs ---------------------------------------------------
  std::vector<std::string> shellRequests;
  bool startsAtLogin = false;        // the desktop's record
  bool startAtLoginLocked = false;   // the record cannot be changed
  struct MessageBox {
    std::string caption;
    std::string text;
  };
  std::vector<MessageBox> errorBoxes;
  std::vector<MessageBox> infoBoxes;
  // Runs while an error box is "open" (before ShowErrorBox returns).
  std::function<void()> whileErrorBoxOpen;
  bool pointerCaptured = false;  // something in the program holds the mouse
  int captureCancels = 0;        // CancelPointerCapture calls that ended a capture
  TColor systemWindowText = 0x00102030;
  // The colour chooser: what the user will do next, and what it was shown.
  bool chooserConfirms = false;
  TColor chooserPick = 0;
  std::vector<TColor> chooserShown;
  // The save dialog: the file the user will choose next (empty: cancel),
  // and the file names each dialog suggested.
  std::string saveDialogAnswer;
  std::vector<std::string> saveDialogsShown;

  // --- Files ---------------------------------------------------------------------
  // Full name -> bytes; existing folders; names that cannot be written.
  std::string configBaseFolder = "C:\\Users\\Public\\Documents";
  char pathSeparator = '\\';
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> readOnly;
  int fileReads = 0;   // profile files read (ReadProfileValues and WriteProfileValues)
  int fileWrites = 0;  // profile files replaced
  int filesReplaced = 0;  // WriteFileReplacing calls that wrote

  // --- The window (one at a time) ---------------------------------------------
  NullWindow* window = nullptr;  // the live window object, if any
  WindowDesc windowDesc;
  std::string appTitle;
  Rect bounds;
  int dpi = 96;
  bool visible = false;
  bool closeRequested = false;
  bool destroyed = false;
  int timerMs = 0;  // 0: no timer
  std::vector<Rect> invalidated;
  std::map<int, std::pair<Rect, std::string>> tooltips;
  std::vector<MouseButton> moves;  // BeginMove requests
  int dragThreshold = 4;           // logical pixels
  // Context menus: every menu shown, and the user's choice in one (the id
  // returned; without a chooser every menu is dismissed).
  std::vector<std::vector<MenuItem>> menusShown;
  std::function<int(const std::vector<MenuItem>&)> menuChooser;
  // The event loop: RunEventLoop shows the window, runs this body and
  // returns. The loop ends when the window is closed (at once when that
  // happens outside RunEventLoop); until then, events sent after
  // RunEventLoop returned still count as inside it.
  std::function<void()> eventLoopBody;

  // Event senders: each goes through the window's EventDispatch.
  void SendTimer();
  void SendHotKey(int id);
  // A press of the key as the user makes it: reaches the window only when
  // the key is registered there.
  void PressHotKey(HotKey key);
  void SendMouseDown(Point p, MouseButton b = MouseButton::Left);
  void SendMouseUp(Point p, MouseButton b = MouseButton::Left);
  void SendClick(Point p);  // left down and up
  void SendMouseMove(Point p);
  void SendSessionEnd();
  // Paints the whole client area into a fresh canvas and returns it.
  NullCanvas Paint();

  // --- IPlatform ------------------------------------------------------------------
  PixelReading ReadPixelUnderPointer() override;
  Rect PrimaryScreen() override { return screen; }
  PixelBlock ReadPixelBlock(const Rect& area) override;
  PixelReading ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) override;
  std::unique_ptr<ILoupeWindow> CreateLoupeWindow(int side) override;
  // The colour on screen at p as a read sees it (the loupe included);
  // kInvalidColor off the monitors.
  TColor ScreenPixel(Point p) const;
  PixelReading PointerReading() const;
  PixelBlock BlockOf(const Rect& area) const;
  ClipboardResult SetClipboardText(IWindow* owner, const std::string& text) override;
  void Pause(int milliseconds) override { sleptMs += milliseconds; }
  void OpenAddress(IWindow* owner, const std::string& address) override;
  bool StartsAtLogin() override { return startsAtLogin; }
  bool SetStartAtLogin(bool on) override;
  std::string ConfigBaseFolder() override { return configBaseFolder; }
  char PathSeparator() override { return pathSeparator; }
  std::vector<std::string> ReadProfileValues(const std::string& file, const std::string& section,
                                             const std::vector<std::string>& keys) override;
  bool WriteProfileValues(const std::string& file, const std::string& section,
                          const ProfileValues& values) override;
  bool CreateFolders(const std::string& path) override;
  bool WriteFileReplacing(const std::string& file, const std::string& bytes) override;
  std::vector<Rect> Monitors() override;
  bool PickColor(IWindow* owner, TColor& color) override;
  void ShowErrorBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  void ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  bool ChooseSaveFile(IWindow* owner, const std::string& title, const std::string& suggested,
                      const std::vector<std::pair<std::string, std::string>>& filters,
                      std::string& file) override;
  void CancelPointerCapture() override;
  int DragThreshold() override { return dragThreshold; }
  TColor SystemColorValue(SystemColor color) override;
  std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, const std::string& appTitle,
                                            IWindowEvents& events) override;
};

// The null platform's window: its state lives in the NullPlatform.
class NullWindow : public IWindow {
 public:
  NullWindow(NullPlatform& platform, IWindowEvents& events);
  ~NullWindow() override;

  EventDispatch& Dispatch() { return dispatch_; }

  Rect Bounds() override { return platform_.bounds; }
  void SetBounds(const Rect& bounds) override;
  int ToScreenPixels(int length) override { return length * platform_.dpi / 96; }
  void StartTimer(int milliseconds) override { platform_.timerMs = milliseconds; }
  void Invalidate(const Rect& r) override { platform_.invalidated.push_back(r); }
  void SetTooltip(int tool, const Rect& r, const std::string& text) override;
  void BeginMove(MouseButton button) override { platform_.moves.push_back(button); }
  int ShowMenu(const std::vector<MenuItem>& items) override;
  HotKeyRegistration BindHotKey(HotKey key) override;
  void UnbindHotKey(int id) override;
  void Close() override;
  void RunEventLoop() override;
  void Destroy() override;

 private:
  NullPlatform& platform_;
  EventDispatch dispatch_;
  bool inLoop_ = false;
  int nextHotKeyId_ = 0x101;
};

}  // namespace velmora
