// The X11 platform object: opening the display through GTK, the session's
// end (signals, the X connection lost), and the program's platform factory.
#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/PlatformFactory.h"
#include "platform/Version.h"
#include "platform/x11/X11Platform.h"

namespace velmora {

namespace {

// NOTE: Xlib's connection-lost handler takes no user data, so the platform
// it belongs to is the one pointer kept outside the platform object.
X11Platform* displayOwner = nullptr;

const char* const kNeedsX11 =
    "Velmora needs an X11 display: on a Wayland desktop it shows its window through "
    "XWayland, which this session does not offer.\n\n"
    "Install XWayland (the package \"xwayland\") and log in again, or choose an X11 session at "
    "the login screen (for example \"GNOME on Xorg\" from the gear menu).";

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool WaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  return IsSet("WAYLAND_DISPLAY") || (type != nullptr && std::strcmp(type, "wayland") == 0);
}

// Says that Velmora needs X11: in a message box when GTK can open any
// display, else on standard error.
void RefuseWayland() {
  std::fprintf(stderr, "Velmora: %s\n", kNeedsX11);
  if (!gtk_init_check(nullptr, nullptr)) return;
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", kNeedsX11);
  gtk_window_set_title(GTK_WINDOW(box), kApplicationTitle);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace

X11Platform::X11Platform() {
  if (gdk_display_get_default() == nullptr) {
    // NOTE: the pixel reads and key grabs are X11's; GTK must not pick Wayland.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
      const char* name = std::getenv("DISPLAY");
      throw std::runtime_error(std::string("Velmora cannot open the X display \"") +
                               (name != nullptr ? name : "") + "\".");
    }
  }
  display_ = gdk_display_get_default();
  if (!GDK_IS_X11_DISPLAY(display_)) throw std::runtime_error(kNeedsX11);
  xdisplay_ = GDK_DISPLAY_XDISPLAY(display_);
  WatchSession();
  WatchKeyboard();
  WatchTheme();
}

X11Platform::~X11Platform() {
  for (guint& source : signalSources_) {
    if (source != 0) g_source_remove(source);
    source = 0;
  }
  if (iconSource_ != 0) g_source_remove(iconSource_);
  if (displayOwner == this) displayOwner = nullptr;
  if (displayGone_) return;
  UngrabAllHotKeys();
  UnwatchKeyboard();
  UnwatchTheme();
  // A copy on the clipboard outlives us where a clipboard manager runs.
  gtk_clipboard_store(gtk_clipboard_get_for_display(display_, GDK_SELECTION_CLIPBOARD));
}

// SIGTERM, SIGHUP and SIGINT end the session; so does losing the X server.
void X11Platform::WatchSession() {
  const int signals[3] = {SIGTERM, SIGHUP, SIGINT};
  for (int i = 0; i < 3; ++i) signalSources_[i] = g_unix_signal_add(signals[i], OnSignal, this);
  displayOwner = this;
  XSetIOErrorHandler(OnDisplayLost);
}

gboolean X11Platform::OnSignal(gpointer self) {
  auto* platform = static_cast<X11Platform*>(self);
  if (platform->window_ != nullptr) {
    platform->window_->Dispatch().SessionEnd();
    if (platform->dialog_ != nullptr) gtk_dialog_response(platform->dialog_, GTK_RESPONSE_CANCEL);
    platform->window_->Close();
  } else if (platform->dialog_ != nullptr) {
    gtk_dialog_response(platform->dialog_, GTK_RESPONSE_CANCEL);
  }
  return G_SOURCE_CONTINUE;
}

// NOTE: Xlib ends the process when this handler returns, and the display is
// unusable inside it: the colour box is saved (files only) and we leave at once.
int X11Platform::OnDisplayLost(Display*) {
  X11Platform* platform = displayOwner;
  if (platform != nullptr) {
    platform->displayGone_ = true;
    if (platform->window_ != nullptr) platform->window_->Dispatch().SessionEnd();
  }
  std::fflush(nullptr);
  _exit(0);
}

gint X11Platform::RunDialog(GtkDialog* dialog) {
  SetDefaultIcon();
  GtkDialog* outer = dialog_;
  dialog_ = dialog;
  const gint response = gtk_dialog_run(dialog);
  dialog_ = outer;
  return response;
}

void X11Platform::Pause(int milliseconds) {
  if (milliseconds > 0) g_usleep(static_cast<gulong>(milliseconds) * 1000);
}

void X11Platform::CancelPointerCapture() {
  if (displayGone_) return;
  if (window_ != nullptr) window_->EndMove();
  gdk_seat_ungrab(gdk_display_get_default_seat(display_));
}

int X11Platform::DragThreshold() {
  gint threshold = 8;  // GTK's own default
  g_object_get(gtk_settings_get_default(), "gtk-dnd-drag-threshold", &threshold, nullptr);
  return threshold;
}

TColor X11Platform::SystemColorValue(SystemColor) {
  // Every heading's paint asks: the theme is asked once, and again only
  // after it changed.
  if (!labelColorKnown_) {
    labelColor_ = ThemeLabelColor();
    labelColorKnown_ = true;
  }
  return labelColor_;
}

// Forgets the theme's colours when another theme, or its dark variant, is
// chosen; the next paint asks the new one.
void X11Platform::WatchTheme() {
  GtkSettings* settings = gtk_settings_get_for_screen(gdk_display_get_default_screen(display_));
  for (const char* signal :
       {"notify::gtk-theme-name", "notify::gtk-application-prefer-dark-theme"}) {
    g_signal_connect(settings, signal, G_CALLBACK(OnThemeChanged), this);
  }
}

void X11Platform::UnwatchTheme() {
  GtkSettings* settings = gtk_settings_get_for_screen(gdk_display_get_default_screen(display_));
  g_signal_handlers_disconnect_by_data(settings, this);
}

void X11Platform::OnThemeChanged(GObject*, GParamSpec*, gpointer self) {
  static_cast<X11Platform*>(self)->labelColorKnown_ = false;
}

TColor X11Platform::ThemeLabelColor() {
  // The theme's colour of label text.
  // NOTE: a label outside any window inherits no colour from the theme and
  // reports white; inside a (never shown) window it reports the theme's.
  GtkWidget* window = gtk_offscreen_window_new();
  GtkWidget* label = gtk_label_new("");
  gtk_container_add(GTK_CONTAINER(window), label);
  GdkRGBA rgba{0, 0, 0, 1};
  gtk_style_context_get_color(gtk_widget_get_style_context(label), GTK_STATE_FLAG_NORMAL, &rgba);
  gtk_widget_destroy(window);
  return FromRgba(rgba);
}

std::unique_ptr<IPlatform> CreateNativePlatform() {
  // NOTE: under Wayland the X server (XWayland) shows no other program's
  // pixels: the screen comes from the desktop's ScreenCast portal instead,
  // and the window stays an X11 window.
  const bool wayland = WaylandSession();
  try {
    auto platform = std::make_unique<X11Platform>();
    if (wayland) {
      const std::string refusal = platform->StartWaylandScreen();
      if (!refusal.empty()) {
        std::fprintf(stderr, "Velmora: %s\n", refusal.c_str());
        platform->ShowErrorBox(nullptr, kApplicationTitle, refusal);
        std::exit(3);
      }
    }
    return platform;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmora: %s\n", error.what());
    if (wayland) RefuseWayland();
    std::exit(3);
  }
}

}  // namespace velmora
