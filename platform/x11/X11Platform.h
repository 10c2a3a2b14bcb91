// The X11 + GTK 3 backend. Its files (and only they) see GTK, GDK and Xlib,
// through this header. The platform object holds the display, the hot key
// grabs and the session's signals; the one window holds its own widget state.
#pragma once

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/wayland/WaylandScreen.h"

namespace velmora {

class X11Window;

// The face every text is drawn in, whatever its role, and its pixel size
// (logical pixels at scale 1).
struct X11Font {
  static const char* Family();
  static double PixelSize();
};

// A colour as GTK and cairo take it (opaque), and back, each channel rounded.
GdkRGBA ToRgba(TColor color);
TColor FromRgba(const GdkRGBA& rgba);

// Paints into a cairo context in the window's logical pixels.
class CairoCanvas : public ICanvas {
 public:
  explicit CairoCanvas(cairo_t* cr);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void FillRect(const Rect& r, TColor color) override;
  void FrameRect(const Rect& r, TColor color) override;
  void PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                 TextAlign align) override;
  Size MeasureText(const std::string& text, FontRole font) override;

  // The face pango really uses for the texts, e.g. "DejaVu Sans Semi-Condensed"
  // (fontconfig may substitute another).
  std::string ResolvedFamily();

 private:
  // The one layout PaintText and MeasureText share, set to the text.
  PangoLayout* Layout(const std::string& text);
  static Size Extent(PangoLayout* layout);

  cairo_t* cr_;
  PangoLayout* layout_ = nullptr;
};

class X11Platform : public IPlatform {
 public:
  X11Platform();
  ~X11Platform() override;
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  // Screen (x11_screen.cpp)
  PixelReading ReadPixelUnderPointer() override;
  Rect PrimaryScreen() override;
  PixelBlock ReadPixelBlock(const Rect& area) override;
  PixelReading ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) override;

  // Clipboard and shell (x11_clipboard.cpp)
  ClipboardResult SetClipboardText(IWindow* owner, const std::string& text) override;
  void Pause(int milliseconds) override;
  void OpenAddress(IWindow* owner, const std::string& address) override;
  // Start at login (x11_login.cpp)
  bool StartsAtLogin() override;
  bool SetStartAtLogin(bool on) override;

  // Files (x11_files.cpp)
  std::string ConfigBaseFolder() override;
  char PathSeparator() override { return '/'; }
  std::vector<std::string> ReadProfileValues(const std::string& file, const std::string& section,
                                             const std::vector<std::string>& keys) override;
  bool WriteProfileValues(const std::string& file, const std::string& section,
                          const ProfileValues& values) override;
  bool CreateFolders(const std::string& path) override;
  bool WriteFileReplacing(const std::string& file, const std::string& bytes) override;
  // Monitors, save dialog and information box (x11_export.cpp)
  std::vector<Rect> Monitors() override;
  void ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  bool ChooseSaveFile(IWindow* owner, const std::string& title, const std::string& suggested,
                      const std::vector<std::pair<std::string, std::string>>& filters,
                      std::string& file) override;

  // Dialogs (x11_dialogs.cpp)
  bool PickColor(IWindow* owner, TColor& color) override;
  void ShowErrorBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  void CancelPointerCapture() override;
  int DragThreshold() override;
  TColor SystemColorValue(SystemColor color) override;

  // The main window (x11_window.cpp)
  std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, const std::string& appTitle,
                                            IWindowEvents& events) override;
  // The magnifier's loupe (x11_loupe.cpp)
  std::unique_ptr<ILoupeWindow> CreateLoupeWindow(int side) override;

  // Hot keys (x11_hotkeys.cpp): grabs on the root window, reported to `window`.
  HotKeyRegistration GrabHotKey(HotKey key);
  void UngrabHotKey(int id);
  void UngrabAllHotKeys();

  Display* XDisplay() const { return xdisplay_; }
  GdkDisplay* Gdk() const { return display_; }
  // False once the X connection is gone: no GTK call may happen after that.
  bool DisplayAlive() const { return !displayGone_; }
  // The window the session's end, hot keys and commands go to (nullptr:
  // none). While one is attached, the commands of the running program are
  // served on the session bus.
  void Attach(X11Window* window) {
    window_ = window;
    StartCommands();
  }
  void Detach(X11Window* window) {
    if (window_ != window) return;
    window_ = nullptr;
    StopCommands();
  }
  // Does what the key does when pressed (the commands of the running program).
  void PressHotKey(HotKey key);
  // Runs a modal dialog, answering it when the session ends meanwhile.
  gint RunDialog(GtkDialog* dialog);
  // Gives every window of ours the program's icon, once (x11_icon.cpp).
  void SetDefaultIcon();
  // The same once the main loop is idle: after the main window's first
  // frame, which does not need it.
  void SetDefaultIconWhenIdle();
  // On a Wayland desktop: watches the screen through the desktop's
  // ScreenCast portal (x11_wayland.cpp). Empty when it does, else the text
  // of the error box saying why not.
  std::string StartWaylandScreen();

 private:
  // Sets `block` to `area`: the part on the root window from one XGetImage
  // (false when nothing was read), the rest off-screen black.
  bool CopyBlock(const Rect& area, PixelBlock& block);
  // A hot key the form registered and has not released.
  struct Grab {
    guint keyval = 0;
    bool granted = false;  // the X server gave us every grab of it
    // What it was granted on: the key codes and the Alt variants' modifiers.
    std::vector<int> codes;
    std::array<unsigned, 4> modifiers{};
  };

  // x11_hotkeys.cpp
  void WatchKeyboard();
  void UnwatchKeyboard();
  bool GrabKeys(Grab& grab);
  void UngrabKeys(const Grab& grab);
  void RegrabAll();
  unsigned NumLockMask();
  // Alt with every combination of NumLock and CapsLock.
  std::array<unsigned, 4> AltVariants();
  static GdkFilterReturn FilterRootEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  static void OnKeysChanged(GdkKeymap* keymap, gpointer self);

  // x11_commands.cpp
  void StartCommands();
  void StopCommands();
  static void OnCommand(GDBusConnection* bus, const gchar* sender, const gchar* path,
                        const gchar* interface, const gchar* method, GVariant* parameters,
                        GDBusMethodInvocation* invocation, gpointer self);

  // x11_platform.cpp
  void WatchSession();
  static gboolean OnSignal(gpointer self);
  static gboolean OnIdleIcon(gpointer self);
  static int OnDisplayLost(Display* display);
  void WatchTheme();
  void UnwatchTheme();
  static void OnThemeChanged(GObject* settings, GParamSpec* property, gpointer self);
  // The theme's colour of label text, asked of a label in a window never shown.
  TColor ThemeLabelColor();

  GdkDisplay* display_ = nullptr;
  Display* xdisplay_ = nullptr;
  bool displayGone_ = false;
  X11Window* window_ = nullptr;
  GtkDialog* dialog_ = nullptr;  // the modal dialog running, if any
  TColor labelColor_ = 0;        // the theme's, while labelColorKnown_
  bool labelColorKnown_ = false;
  bool iconSet_ = false;       // SetDefaultIcon has run
  guint iconSource_ = 0;       // SetDefaultIconWhenIdle's pending call
  std::map<int, Grab> grabs_;  // by hot key id
  bool keyboardWatched_ = false;
  guint signalSources_[3] = {0, 0, 0};
  std::unique_ptr<PipeWireFrames> waylandScreen_;  // set on Wayland desktops
  std::unique_ptr<GlobalShortcuts> shortcuts_;     // where the desktop has them
  GDBusConnection* commandBus_ = nullptr;          // serving the commands
  guint commandObject_ = 0;
};

// The main window: a borderless GTK window painted by the form.
class X11Window : public IWindow {
 public:
  X11Window(X11Platform& platform, const WindowDesc& desc, const std::string& appTitle,
            IWindowEvents& events);
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  Rect Bounds() override;
  void SetBounds(const Rect& bounds) override;
  int ToScreenPixels(int length) override;
  void StartTimer(int milliseconds) override;
  void Invalidate(const Rect& r) override;
  void SetTooltip(int tool, const Rect& r, const std::string& text) override;
  void BeginMove(MouseButton button) override;
  // x11_menu.cpp
  int ShowMenu(const std::vector<MenuItem>& items) override;
  HotKeyRegistration BindHotKey(HotKey key) override;
  void UnbindHotKey(int id) override;
  void Close() override;
  void RunEventLoop() override;
  void Destroy() override;

  EventDispatch& Dispatch() { return dispatch_; }
  GtkWindow* Widget() const { return GTK_WINDOW(widget_); }
  // Ends our own move loop, if one runs.
  void EndMove();

 private:
  struct Tooltip {
    Rect rect;
    std::string text;
  };

  int Scale();
  void SetPointerShape(PointerShape shape);
  // The tooltip's tool under a point (0: none).
  int ToolAt(Point p) const;
  void DestroyWidget();

  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean OnLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnMapped(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnQueryTooltip(GtkWidget* widget, gint x, gint y, gboolean keyboard,
                                 GtkTooltip* tooltip, gpointer self);
  static gboolean OnTick(gpointer self);
  // Sees the X events of our window before GTK does.
  static GdkFilterReturn OnXEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);

  X11Platform& platform_;
  EventDispatch dispatch_;
  GtkWidget* widget_ = nullptr;
  TColor background_ = 0;
  Point position_;  // the corner asked for, logical root pixels
  // Where the X server has the shown window, logical root pixels, while
  // originKnown_.
  Point origin_;
  bool originKnown_ = false;
  Size size_;
  bool closed_ = false;
  bool loopRunning_ = false;
  guint timer_ = 0;
  std::map<int, Tooltip> tooltips_;
  std::map<int, bool> hotKeys_;  // ids this window registered
  PointerShape shape_ = PointerShape::Arrow;
  int toolUnderPointer_ = 0;
  // Our own move loop (no window manager): the button and the pointer's
  // offset from the window's corner, in logical pixels.
  bool moving_ = false;
  guint moveButton_ = 0;
  Point moveOffset_;
  Point pressRoot_;            // where the last button press was, logical root pixels
  GtkWidget* menu_ = nullptr;  // the context menu while ShowMenu runs
};

}  // namespace velmora
