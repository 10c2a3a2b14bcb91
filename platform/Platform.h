// The one seam between Velmora and the operating system.
//
// Everything above this file (app/, core/, config/, ui/) talks to the OS only
// through IPlatform. Backends: platform/win32 (the real program) and
// platform/null (an in-memory model driven by the unit tests).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "core/Color.h"

namespace velmora {

// Opaque handle of a native object (a window, a device context). 0 = none.
using NativeHandle = std::uintptr_t;
using WindowHandle = NativeHandle;
using ScreenDCHandle = NativeHandle;

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

// A rectangle in pixels: left, top, width, height.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool Contains(Point p) const {
    return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
  }
  bool Empty() const { return width <= 0 || height <= 0; }
  Rect Offset(int dx, int dy) const { return Rect{x + dx, y + dy, width, height}; }
  Rect Intersect(const Rect& o) const;
  bool operator==(const Rect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

inline Rect Rect::Intersect(const Rect& o) const {
  const int l = x > o.x ? x : o.x;
  const int t = y > o.y ? y : o.y;
  const int r = (x + width) < (o.x + o.width) ? (x + width) : (o.x + o.width);
  const int b = (y + height) < (o.y + o.height) ? (y + height) : (o.y + o.height);
  if (r <= l || b <= t) return Rect{};
  return Rect{l, t, r - l, b - t};
}

enum class PointerShape { Arrow, Move, Hand };
enum class MouseButton { Left, Right, Middle };
enum class TextAlign { Left, Center };

// A font as the form describes it; the backend scales it to the window's DPI.
struct FontSpec {
  std::string face = "MS Sans Serif";
  int points = 8;
  int charset = 1;  // DEFAULT_CHARSET
  bool underline = false;

  bool operator==(const FontSpec& o) const {
    return face == o.face && points == o.points && charset == o.charset &&
           underline == o.underline;
  }
};

// Colour values the backend resolves itself (the system's window-text colour).
// Any other TColor is drawn as it stands.
constexpr TColor kSystemWindowText = static_cast<TColor>(0x80000008);

// What the form paints with. Coordinates are in 96-DPI client pixels; the
// backend scales them. Every call is clipped to the rectangle it is given.
class ICanvas {
 public:
  virtual ~ICanvas() = default;
  virtual void FillRect(const Rect& r, TColor color) = 0;
  // One-pixel outline just inside r.
  virtual void FrameRect(const Rect& r, TColor color) = 0;
  // Text on a transparent background, clipped to r, vertically at the top.
  virtual void DrawText(const Rect& r, const std::string& text, const FontSpec& font,
                        TColor color, TextAlign align) = 0;
  // The size the text takes in that font, in logical pixels (rounded up),
  // exactly as DrawText would draw it.
  virtual Size MeasureText(const std::string& text, const FontSpec& font) = 0;
};

// Events a backend reports to the window that owns the native window.
// Positions are 96-DPI client pixels.
class IWindowEvents {
 public:
  virtual ~IWindowEvents() = default;
  // The window is about to become visible for the first time.
  virtual void OnShow() = 0;
  virtual void OnTimer() = 0;
  virtual void OnHotKey(int id) = 0;
  virtual void OnMouseDown(Point p, MouseButton button) = 0;
  virtual void OnMouseUp(Point p, MouseButton button) = 0;
  virtual void OnMouseMove(Point p) = 0;
  virtual void OnMouseLeave() = 0;
  virtual PointerShape PointerAt(Point p) = 0;
  // Paint the part `dirty` of the client area (the canvas is double-buffered).
  virtual void OnPaint(ICanvas& canvas, const Rect& dirty) = 0;
  // The window is being destroyed; it still exists.
  virtual void OnDestroy() = 0;
  // The user's session ends (log off, shut down); the process may not get
  // another chance to save anything.
  virtual void OnSessionEnd() = 0;
};

// Receives every exception that escapes an event handler (see RunEventLoop).
using ExceptionHandler = std::function<void(std::exception_ptr)>;

struct WindowSpec {
  std::string caption;     // window text
  std::string appTitle;    // the application's name towards the shell (task bar)
  int width = 0;           // client size, 96-DPI pixels
  int height = 0;
  TColor background = 0;
  bool topmost = false;
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;

  // --- Screen --------------------------------------------------------------
  virtual ScreenDCHandle GetScreenDC() = 0;  // 0 on failure
  virtual void ReleaseScreenDC(ScreenDCHandle dc) = 0;
  // False when the position cannot be read; LastErrorCode() then tells why.
  virtual bool GetPointerPos(Point& p) = 0;
  // The pixel's colour, or kInvalidColor when it cannot be read.
  virtual TColor GetPixel(ScreenDCHandle dc, Point p) = 0;
  virtual Size PrimaryScreenSize() = 0;

  // --- Errors --------------------------------------------------------------
  virtual int LastErrorCode() = 0;
  // The platform's own description of an error code, as it gives it.
  virtual std::string ErrorDescription(int code) = 0;

  // --- Atoms and hot keys -------------------------------------------------
  virtual std::uint16_t AddGlobalAtom(const std::string& name) = 0;  // 0 on failure
  virtual void DeleteGlobalAtom(std::uint16_t atom) = 0;
  virtual bool RegisterHotKey(WindowHandle w, int id, unsigned modifiers, unsigned vk) = 0;
  virtual bool UnregisterHotKey(WindowHandle w, int id) = 0;

  // --- Clipboard (plain 8-bit text) --------------------------------------
  virtual bool OpenClipboard(WindowHandle owner) = 0;
  virtual bool EmptyClipboard() = 0;
  // Hands a copy of the text to the open clipboard as plain text. The backend
  // frees its memory block itself when the clipboard refuses it.
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual void CloseClipboard() = 0;
  virtual void Sleep(int milliseconds) = 0;

  // --- Shell ---------------------------------------------------------------
  // Asks the shell to "Open" an address; the outcome is not reported.
  virtual void ShellOpen(WindowHandle owner, const std::string& address) = 0;

  // --- Files ---------------------------------------------------------------
  // The shared documents folder of all users; empty when it cannot be found.
  virtual std::string CommonDocumentsFolder() = 0;
  // The value text of a key in a profile (INI) file, read into a 2048-character
  // buffer; empty when the file, section or key is missing.
  virtual std::string ReadProfileString(const std::string& file, const std::string& section,
                                        const std::string& key) = 0;
  virtual bool WriteProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) = 0;
  // Creates every missing folder of `path` (a folder name). True when it exists afterwards.
  virtual bool CreateFolders(const std::string& path) = 0;

  // --- Dialogs -------------------------------------------------------------
  // The colour chooser, fully opened, `color` preselected. True and `color`
  // set when the user confirmed a choice.
  virtual bool ChooseColor(WindowHandle owner, TColor& color) = 0;
  // A modal error box with one OK button; returns when it is dismissed.
  virtual void ShowErrorBox(WindowHandle owner, const std::string& caption,
                            const std::string& text) = 0;
  // The window holding the mouse capture in this process, or 0.
  virtual WindowHandle CaptureWindow() = 0;
  // Tells a window to cancel its mode (drag, menu, capture).
  virtual void CancelMode(WindowHandle w) = 0;

  // --- The main window -----------------------------------------------------
  // Creates the native window, hidden. `events` must outlive it.
  virtual WindowHandle CreateMainWindow(const WindowSpec& desc, IWindowEvents* events) = 0;
  // Client-area bounds in 96-DPI pixels, position in screen pixels.
  virtual Rect WindowBounds(WindowHandle w) = 0;
  virtual void SetWindowBounds(WindowHandle w, const Rect& bounds) = 0;
  // A length of the window's 96-DPI pixels in screen pixels at its current DPI.
  virtual int ToScreenPixels(WindowHandle w, int length) = 0;
  virtual void StartTimer(WindowHandle w, int milliseconds) = 0;
  virtual void Invalidate(WindowHandle w, const Rect& r) = 0;
  // A tooltip over a rectangle of the client area; `tool` tells tooltips apart.
  virtual void SetTooltip(WindowHandle w, int tool, const Rect& r, const std::string& text) = 0;
  // Moves the window with the pointer until `button` is released.
  virtual void BeginWindowMove(WindowHandle w, MouseButton button) = 0;
  // Asks the window to close; the event loop then ends.
  virtual void CloseWindow(WindowHandle w) = 0;
  // Where exceptions escaping any event handler go (OnShow and OnDestroy
  // included); dispatch then goes on. Without a handler they are dropped.
  virtual void SetExceptionHandler(ExceptionHandler handler) = 0;
  // Shows the window (OnShow first) and dispatches events until it closes.
  virtual void RunEventLoop(WindowHandle w) = 0;
  // Destroys the window (OnDestroy runs inside).
  virtual void DestroyWindow(WindowHandle w) = 0;
};

// The platform the program runs on; set once at start-up (or by a test).
IPlatform& Platform();
void SetPlatform(IPlatform* platform);

}  // namespace velmora
