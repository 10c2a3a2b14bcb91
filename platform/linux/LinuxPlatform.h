// The Linux backend: what every Linux session shares, X11 or Wayland. The
// window, dialogs and clipboard are GTK 3's on an X11 display (XWayland on a
// Wayland desktop); the screen and the global keys come from the session
// kind's own parts (platform/x11, platform/wayland), chosen once at start-up
// (linux_factory.cpp). The platform object holds the display, the session's
// signals and those parts; the one window holds its own widget state.
#pragma once

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/linux/ScreenSource.h"

namespace velmora {

class DataControlClipboard;
class GlobalShortcuts;
class LinuxWindow;
class X11KeyGrabs;

// The face every text is drawn in, whatever its role, and its pixel size
// (logical pixels at scale 1).
struct GtkFont {
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

class LinuxPlatform : public IPlatform {
 public:
  LinuxPlatform();
  ~LinuxPlatform() override;
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  // Screen: the session's screen source
  PixelReading ReadPixelUnderPointer() override;
  Rect PrimaryScreen() override;
  PixelBlock ReadPixelBlock(const Rect& area) override;
  PixelReading ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) override;

  // Clipboard and shell (linux_clipboard.cpp)
  ClipboardResult SetClipboardText(IWindow* owner, const std::string& text) override;
  void Pause(int milliseconds) override;
  void OpenAddress(IWindow* owner, const std::string& address) override;
  // Start at login (linux_login.cpp)
  bool StartsAtLogin() override;
  bool SetStartAtLogin(bool on) override;

  // Files (linux_files.cpp)
  std::string ConfigBaseFolder() override;
  char PathSeparator() override { return '/'; }
  std::vector<std::string> ReadProfileValues(const std::string& file, const std::string& section,
                                             const std::vector<std::string>& keys) override;
  bool WriteProfileValues(const std::string& file, const std::string& section,
                          const ProfileValues& values) override;
  bool CreateFolders(const std::string& path) override;
  bool WriteFileReplacing(const std::string& file, const std::string& bytes) override;
  // Monitors, save dialog and information box (linux_export.cpp)
  std::vector<Rect> Monitors() override;
  void ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  bool ChooseSaveFile(IWindow* owner, const std::string& title, const std::string& suggested,
                      const std::vector<std::pair<std::string, std::string>>& filters,
                      std::string& file) override;

  // Dialogs (linux_dialogs.cpp)
  bool PickColor(IWindow* owner, TColor& color) override;
  void ShowErrorBox(IWindow* owner, const std::string& caption, const std::string& text) override;
  void CancelPointerCapture() override;
  int DragThreshold() override;
  TColor SystemColorValue(SystemColor color) override;

  // The main window (linux_window.cpp)
  std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, const std::string& appTitle,
                                            IWindowEvents& events) override;
  // The magnifier's loupe (linux_loupe.cpp)
  std::unique_ptr<ILoupeWindow> CreateLoupeWindow(int side) override;

  // Hot keys: X key grabs on the root window, reported to the attached window.
  HotKeyRegistration GrabHotKey(HotKey key);
  void UngrabHotKey(int id);

  Display* XDisplay() const { return xdisplay_; }
  GdkDisplay* Gdk() const { return display_; }
  // False once the X connection is gone: no GTK call may happen after that.
  bool DisplayAlive() const { return !displayGone_; }
  // The flag itself, for the X11 screen source.
  const bool* DisplayGoneFlag() const { return &displayGone_; }
  // The window the session's end, hot keys and commands go to (nullptr:
  // none). While one is attached, the commands of the running program are
  // served on the session bus.
  void Attach(LinuxWindow* window) {
    window_ = window;
    StartCommands();
  }
  void Detach(LinuxWindow* window) {
    if (window_ != window) return;
    window_ = nullptr;
    StopCommands();
  }
  // Does what the key does when pressed.
  void PressHotKey(HotKey key);
  // Does what the action's key does (the commands of the running program,
  // the desktop's global shortcuts).
  void Perform(Action action) { PressHotKey(NameOf(action).key); }
  // Runs a modal dialog, answering it when the session ends meanwhile.
  gint RunDialog(GtkDialog* dialog);
  // Gives every window of ours the program's icon, once (linux_icon.cpp).
  void SetDefaultIcon();
  // The same once the main loop is idle: after the main window's first
  // frame, which does not need it.
  void SetDefaultIconWhenIdle();
  // The session kind's screen source and, where the desktop has them, its
  // global shortcuts (linux_factory.cpp).
  void UseScreen(std::unique_ptr<IScreenSource> screen) { screen_ = std::move(screen); }
  void UseShortcuts(std::unique_ptr<GlobalShortcuts> shortcuts);
  // The main window is one the desktop does not manage (override-redirect):
  // above every other window, fullscreen ones included, on every workspace,
  // moved by our own move loop.
  void UseUnmanagedWindows() { unmanagedWindows_ = true; }
  bool UnmanagedWindows() const { return unmanagedWindows_; }
  // The clipboard goes through the desktop's data-control protocol, not GTK's.
  void UseClipboard(std::unique_ptr<DataControlClipboard> clipboard);
  // The screen source saw the desktop end the share: the colour box is
  // saved, a box says why and the program ends (exit code 3).
  void ScreenLost(const std::string& why);
  // What the program ends with then, as when it cannot see the screen at start.
  static constexpr int kScreenLostExitCode = 3;

 private:
  // linux_commands.cpp
  void StartCommands();
  void StopCommands();
  static void OnCommand(GDBusConnection* bus, const gchar* sender, const gchar* path,
                        const gchar* interface, const gchar* method, GVariant* parameters,
                        GDBusMethodInvocation* invocation, gpointer self);

  // linux_platform.cpp
  static int HotKeyId(HotKey key);
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
  LinuxWindow* window_ = nullptr;
  GtkDialog* dialog_ = nullptr;  // the modal dialog running, if any
  TColor labelColor_ = 0;        // the theme's, while labelColorKnown_
  bool labelColorKnown_ = false;
  bool iconSet_ = false;  // SetDefaultIcon has run
  guint iconSource_ = 0;  // SetDefaultIconWhenIdle's pending call
  std::unique_ptr<X11KeyGrabs> keys_;
  guint signalSources_[3] = {0, 0, 0};
  std::unique_ptr<IScreenSource> screen_;
  std::unique_ptr<GlobalShortcuts> shortcuts_;  // where the desktop has them
  GDBusConnection* commandBus_ = nullptr;       // serving the commands
  guint commandObject_ = 0;
  bool unmanagedWindows_ = false;
  std::unique_ptr<DataControlClipboard> dataControl_;  // where the desktop has it
};

// The main window: a borderless GTK window painted by the form.
class LinuxWindow : public IWindow {
 public:
  LinuxWindow(LinuxPlatform& platform, const WindowDesc& desc, const std::string& appTitle,
              IWindowEvents& events);
  ~LinuxWindow() override;
  LinuxWindow(const LinuxWindow&) = delete;
  LinuxWindow& operator=(const LinuxWindow&) = delete;

  Rect Bounds() override;
  void SetBounds(const Rect& bounds) override;
  int ToScreenPixels(int length) override;
  void StartTimer(int milliseconds) override;
  void Invalidate(const Rect& r) override;
  void SetTooltip(int tool, const Rect& r, const std::string& text) override;
  void BeginMove(MouseButton button) override;
  // linux_menu.cpp
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
  // Our own move loop: the window's corner follows the pointer at (rootX, rootY).
  void FollowPointer(double rootX, double rootY);

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

  LinuxPlatform& platform_;
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

// The platform of an X11 session, its screen the X server's
// (linux_factory.cpp); throws when no X display opens.
std::unique_ptr<LinuxPlatform> CreateX11Platform();

}  // namespace velmora
