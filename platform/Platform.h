// The one seam between Velmora and the operating system.
//
// Everything above this file (app/, core/, config/, ui/) talks to the OS only
// through IPlatform and the IWindow it creates. The seam says what the
// program needs ("the pixel under the pointer", "put this text on the
// clipboard", "Alt+H"), never an OS call under a new name: whatever
// bookkeeping an OS needs for it (device contexts, global atoms, an open
// clipboard, a last-error number) lives in that OS's backend.
//
// Backends: platform/win32 (Windows); platform/linux (GTK 3, what every Linux
// session shares) with the screen and keys of each session kind in
// platform/x11 (X11) and platform/wayland (the desktop portals and PipeWire);
// and platform/null (an in-memory model driven by the unit tests).
//
// Texts cross the seam as UTF-8; a backend converts at its own edge.
//
// This header includes nothing from the layers above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// A colour as 0x00BBGGRR: red in bits 0-7, green 8-15, blue 16-23 (the
// layout of a Windows COLORREF). core/Color.h builds the texts on it.
using TColor = std::int32_t;

// What a backend returns for a pixel it cannot read.
constexpr TColor kInvalidColor = static_cast<TColor>(0xFFFFFFFF);

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

// Colours the system chooses (the user's theme); the form asks for their
// value with IPlatform::SystemColorValue.
enum class SystemColor { WindowText };

// What a text is for; each backend picks the face, size and style for it
// and scales it to the window's scale.
enum class FontRole {
  Strip,  // the strip's labels and panels (8 pt)
  Link,   // the strip's links: the strip's font, underlined
  Form,   // text that follows the window's own font once it is shown (8 pt)
};

// What the form paints with. Coordinates are the window's logical pixels
// (96 DPI, scale 1); the backend scales them. Every call is clipped to the
// rectangle it is given.
class ICanvas {
 public:
  virtual ~ICanvas() = default;
  virtual void FillRect(const Rect& r, TColor color) = 0;
  // One-pixel outline just inside r.
  virtual void FrameRect(const Rect& r, TColor color) = 0;
  // Text on a transparent background, clipped to r, vertically at the top.
  virtual void PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                         TextAlign align) = 0;
  // The size the text takes in that font, in logical pixels (rounded up),
  // exactly as PaintText would draw it.
  virtual Size MeasureText(const std::string& text, FontRole font) = 0;
};

// What the form hears from its window. Positions are logical client pixels.
// The form may throw from any of them: the portable EventDispatch (below)
// catches it.
class IWindowEvents {
 public:
  virtual ~IWindowEvents() = default;
  // The window is about to become visible for the first time.
  virtual void OnShow() = 0;
  virtual void OnTimer() = 0;
  // A bound hot key was pressed; `id` is what BindHotKey returned.
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
  // The user's session ends (log-off, shut-down, SIGTERM, the display
  // gone); the process may not get another chance to save anything.
  virtual void OnSessionEnd() = 0;
};

// Receives every exception that escapes an event handler.
using ExceptionHandler = std::function<void(std::exception_ptr)>;

// Where exceptions escaping any event handler go; dispatch then goes on.
// Without a handler they are dropped.
void SetExceptionHandler(ExceptionHandler handler);

// The one exception boundary between a backend and the form. A backend owns
// one, next to its native window, and reports every event through it; it
// never calls IWindowEvents itself. Each call catches whatever the form
// throws and hands it to the exception handler, so nothing unwinds through
// the OS's frames. Timer ticks, hot keys and mouse input that arrive before
// the event loop starts or after it has ended are dropped: by then the form
// may be taking itself apart (its manager gone) while a last error box still
// dispatches; painting, the session's end and destruction still reach it.
class EventDispatch {
 public:
  explicit EventDispatch(IWindowEvents& events) : events_(events) {}
  EventDispatch(const EventDispatch&) = delete;
  EventDispatch& operator=(const EventDispatch&) = delete;

  // The event loop: Show() marks its start (and runs OnShow), LoopEnded() its end.
  void Show() noexcept;
  void LoopEnded() noexcept { loopRunning_ = false; }
  bool LoopRunning() const { return loopRunning_; }

  void Timer() noexcept;
  void HotKey(int id) noexcept;
  void MouseDown(Point p, MouseButton button) noexcept;
  void MouseUp(Point p, MouseButton button) noexcept;
  void MouseMove(Point p) noexcept;
  void MouseLeave() noexcept;
  // Arrow when the form cannot tell (or the loop is not running).
  PointerShape PointerAt(Point p) noexcept;
  void Paint(ICanvas& canvas, const Rect& dirty) noexcept;
  // Once per window, whichever comes first of the OS's notices.
  void SessionEnd() noexcept;
  // Once per window.
  void Destroy() noexcept;
  // A failure of the backend's own while it handles an event, for the error
  // display like the form's; dropped while the loop is not running.
  void Report(std::exception_ptr error) noexcept;

 private:
  template <typename Fn>
  void Guarded(Fn&& callback) noexcept;

  IWindowEvents& events_;
  bool loopRunning_ = false;
  bool sessionEnded_ = false;
  bool destroyed_ = false;
};

// What a window is created with.
struct WindowDesc {
  std::string caption;  // the window's own text (not shown: no caption bar)
  int width = 0;        // client size, logical pixels
  int height = 0;
  TColor background = 0;
  bool topmost = false;
};

// The keys Velmora binds system-wide, always with Alt. Alt+Z and Alt+C are
// registered only while the user has them turned on.
enum class HotKey { AltD, AltH, AltS, AltZ, AltC };

// What the user can ask of Velmora from outside its window: by a hot key, a
// desktop's global shortcut or a command of the running program.
enum class Action { CopyHex, CopyDec, Store, Magnifier, CopyExtra };

// Each action once: the key that does it and the name that asks for it.
struct ActionName {
  Action action;
  HotKey key;
  const char* name;         // "copy-hex": the command line's option without "--", the shortcut's id
  const char* description;  // what it does, for the desktop's shortcut settings and --help
  // Offered as a command and a global shortcut: always on (Alt+Z and Alt+C
  // are the user's to turn on).
  bool command;
};
inline constexpr ActionName kActionNames[] = {
    {Action::CopyHex, HotKey::AltH, "copy-hex", "Copy the hex code of the colour under the pointer",
     true},
    {Action::CopyDec, HotKey::AltD, "copy-dec",
     "Copy the decimal triple of the colour under the pointer", true},
    {Action::Store, HotKey::AltS, "store", "Store the colour under the pointer in the colour box",
     true},
    {Action::Magnifier, HotKey::AltZ, "magnifier", "Turn the magnifier on or off", false},
    {Action::CopyExtra, HotKey::AltC, "copy-extra", "Copy the colour in the chosen format", false},
};
// The entry of an action, of a key and of a name (nullptr: no such name).
const ActionName& NameOf(Action action);
const ActionName& NameOf(HotKey key);
const ActionName* FindAction(const std::string& name);

// An entry of a context menu.
struct MenuItem {
  int id = 0;            // what ShowMenu returns when it is chosen (0: a submenu)
  std::string text;      // empty: a separator
  bool checked = false;  // shows a check mark
  bool radio = false;    // the check mark is a radio mark (one of a group)
  bool enabled = true;
  std::vector<MenuItem> submenu;  // not empty: the entry opens these
};

struct HotKeyRegistration {
  // The identifier OnHotKey reports for this key; valid (and distinct from
  // the other keys') even when the key could not be registered.
  int id = 0;
  // False when another program holds the combination.
  bool registered = false;
};

// Velmora's one native window, owned by the form. It owns all its backend
// state; destroying the object destroys the native window (without events,
// when Destroy() was not called).
class IWindow {
 public:
  virtual ~IWindow() = default;

  // Position in screen (device) pixels, size in logical client pixels.
  virtual Rect Bounds() = 0;
  // Keeps the top-left corner given; a taller window grows downwards.
  virtual void SetBounds(const Rect& bounds) = 0;
  // A length of logical pixels in screen (device) pixels at the window's scale.
  virtual int ToScreenPixels(int length) = 0;

  virtual void StartTimer(int milliseconds) = 0;
  virtual void Invalidate(const Rect& r) = 0;
  // A tooltip over a rectangle of the client area; `tool` tells tooltips apart.
  virtual void SetTooltip(int tool, const Rect& r, const std::string& text) = 0;
  // Moves the window with the pointer until `button` is released, from
  // where that button went down.
  virtual void BeginMove(MouseButton button) = 0;
  // Shows a context menu at the pointer and waits while the user chooses
  // (with the mouse or the keyboard, as the desktop's menus work); timer
  // ticks go on meanwhile. The id of the item chosen, 0 when the menu was
  // dismissed.
  virtual int ShowMenu(const std::vector<MenuItem>& items) = 0;

  // System-wide hot keys, delivered to this window's OnHotKey.
  virtual HotKeyRegistration BindHotKey(HotKey key) = 0;
  virtual void UnbindHotKey(int id) = 0;

  // Asks the window to close; the event loop then ends.
  virtual void Close() = 0;
  // Shows the window (OnShow first) and dispatches events until it closes.
  virtual void RunEventLoop() = 0;
  // Destroys the native window; OnDestroy runs inside, while it still exists.
  virtual void Destroy() = 0;
};

// The pixel under the pointer, or why it could not be read.
struct PixelReading {
  bool ok = false;
  Point position;     // screen (device) pixels; may be negative on multi-monitor desktops
  TColor color = 0;   // kInvalidColor when the pixel itself cannot be read
  std::string error;  // when !ok: the message for the user, worded by the backend
};

// Device pixels of a rectangle of the screen, row by row from the top left.
// A pixel outside every monitor reads as kOffScreenColor.
struct PixelBlock {
  Rect area;  // screen (device) pixels
  std::vector<TColor> pixels;
  TColor At(int column, int row) const {
    return pixels[static_cast<std::size_t>(row * area.width + column)];
  }
};

// The square of the pixels `radius` around `centre` on every side.
inline Rect BlockAround(Point centre, int radius) {
  return Rect{centre.x - radius, centre.y - radius, 2 * radius + 1, 2 * radius + 1};
}

// What a block shows where no monitor is: black.
constexpr TColor kOffScreenColor = 0;

// The magnifier's loupe: a borderless square window above every other,
// never focused, showing an image of device pixels one for one. It owns its
// backend state; destroying the object destroys the native window.
class ILoupeWindow {
 public:
  virtual ~ILoupeWindow() = default;
  // Puts the window's top-left corner there (screen device pixels).
  virtual void MoveTo(Point corner) = 0;
  // Shows `pixels` (side x side, row by row) and makes the window visible.
  virtual void ShowImage(const std::vector<TColor>& pixels) = 0;
};

// Keys and their values in one section of a profile (INI) file.
using ProfileValues = std::vector<std::pair<std::string, std::string>>;

enum class ClipboardResult {
  Ok,
  Busy,     // another program holds the clipboard: worth another try
  Refused,  // the clipboard would not take the text
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;

  // --- Screen --------------------------------------------------------------
  // Reads the pointer's position and the colour of the device pixel there,
  // fresh every call (nothing cached between calls).
  virtual PixelReading ReadPixelUnderPointer() = 0;
  // The primary monitor in screen (device) pixels.
  virtual Rect PrimaryScreen() = 0;
  // Every monitor in screen (device) pixels, the primary among them.
  virtual std::vector<Rect> Monitors() { return {PrimaryScreen()}; }
  // The device pixels of `area` from one read of the screen, as they are now.
  virtual PixelBlock ReadPixelBlock(const Rect& area) = 0;
  // Both at once for the magnifier: the reading of ReadPixelUnderPointer and,
  // when the pointer was read, `block` = the square of the pixels `radius`
  // around it on every side, the reading's pixel at its centre. Backends that
  // can take both from one read of the screen do; this one reads twice.
  virtual PixelReading ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) {
    const PixelReading reading = ReadPixelUnderPointer();
    if (reading.ok) block = ReadPixelBlock(BlockAround(reading.position, radius));
    return reading;
  }

  // --- Clipboard (plain text) ---------------------------------------------
  // Replaces the clipboard's content by the text, on behalf of `owner`.
  virtual ClipboardResult SetClipboardText(IWindow* owner, const std::string& text) = 0;
  virtual void Pause(int milliseconds) = 0;

  // --- Shell ---------------------------------------------------------------
  // Asks the desktop to open an address (web page, mailto:); the outcome is
  // not reported.
  virtual void OpenAddress(IWindow* owner, const std::string& address) = 0;
  // Whether the desktop starts this program when the user logs in (for this
  // user only), as the desktop's own record says now.
  virtual bool StartsAtLogin() = 0;
  // Records (`on`) or removes the desktop's entry that starts this program at
  // login. False when the record cannot be changed.
  virtual bool SetStartAtLogin(bool on) = 0;

  // --- Files ---------------------------------------------------------------
  // The folder Velmora's "Quorvane\Velmora\Config.ini" lies under (Windows:
  // the shared documents folder of all users); empty when it cannot be found.
  virtual std::string ConfigBaseFolder() = 0;
  // The separator of folder names in file names ('\\' or '/').
  virtual char PathSeparator() = 0;
  // The full name of one of Velmora's own files: `name` in the folder
  // Quorvane\Velmora under ConfigBaseFolder() (under the bare suffix when
  // that is empty).
  std::string ConfigFile(const std::string& name);
  // The values of `keys` in one section of a profile (INI) file, from one
  // read of the file, in the order asked; each as the Windows profile reader
  // returns it into a 2048-character buffer, empty when the file, section or
  // key is missing.
  virtual std::vector<std::string> ReadProfileValues(const std::string& file,
                                                     const std::string& section,
                                                     const std::vector<std::string>& keys) = 0;
  // Sets keys of one section (adding what is missing, the rest of the file as
  // it was) in one replacement of the whole file; a change of nothing writes
  // nothing. False when the file cannot be written; it is then unchanged.
  virtual bool WriteProfileValues(const std::string& file, const std::string& section,
                                  const ProfileValues& values) = 0;
  // Creates every missing folder of `path` (a folder name). True when it exists afterwards.
  virtual bool CreateFolders(const std::string& path) = 0;
  // Makes `file` hold `bytes`: they are written to a new file in the same
  // folder, which then replaces `file` in one step. False when that fails;
  // `file` is then as it was and nothing else is left behind.
  virtual bool WriteFileReplacing(const std::string& file, const std::string& bytes) = 0;

  // --- Dialogs -------------------------------------------------------------
  // The colour chooser, fully opened, `color` preselected. True and `color`
  // set when the user confirmed a choice.
  virtual bool PickColor(IWindow* owner, TColor& color) = 0;
  // A modal error box with one OK button; returns when it is dismissed.
  virtual void ShowErrorBox(IWindow* owner, const std::string& caption,
                            const std::string& text) = 0;
  // The same with an information icon.
  virtual void ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) = 0;
  // The desktop's own dialog that asks where to save a file, `suggested`
  // (a file name without folder) preselected, offering `filters` (a name
  // and a pattern such as "*.gpl" each). True and `file` set (a full name)
  // when the user confirmed.
  virtual bool ChooseSaveFile(IWindow* owner, const std::string& title,
                              const std::string& suggested,
                              const std::vector<std::pair<std::string, std::string>>& filters,
                              std::string& file) = 0;
  // Ends whatever holds the mouse in this process (a drag, a capture).
  virtual void CancelPointerCapture() = 0;
  // How far, in logical pixels either way, the pointer may move with a
  // button down before the desktop counts it as a drag.
  virtual int DragThreshold() = 0;
  virtual TColor SystemColorValue(SystemColor color) = 0;

  // --- The main window -----------------------------------------------------
  // Creates the native window, hidden. `events` must outlive it.
  // `appTitle` names the application towards the desktop (task bar).
  virtual std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc,
                                                    const std::string& appTitle,
                                                    IWindowEvents& events) = 0;
  // Creates the magnifier's loupe, `side` device pixels square, hidden.
  virtual std::unique_ptr<ILoupeWindow> CreateLoupeWindow(int side) = 0;
};

// The platform the program runs on; set once at start-up (or by a test).
IPlatform& Platform();
void SetPlatform(IPlatform* platform);

}  // namespace velmora
