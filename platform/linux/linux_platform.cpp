// The Linux platform object: opening the display through GTK, the session's
// end (signals, the X connection lost), the screen source and the hot keys.
#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/Version.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/GlobalShortcuts.h"
#include "platform/x11/X11KeyGrabs.h"

namespace velmora {

namespace {

// NOTE: Xlib's connection-lost handler takes no user data, so the platform
// it belongs to is the one pointer kept outside the platform object.
LinuxPlatform* displayOwner = nullptr;

}  // namespace

LinuxPlatform::LinuxPlatform() {
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
  if (!GDK_IS_X11_DISPLAY(display_)) throw std::runtime_error("GTK opened no X11 display");
  xdisplay_ = GDK_DISPLAY_XDISPLAY(display_);
  WatchSession();
  keys_ = std::make_unique<X11KeyGrabs>(display_, [this](HotKey key) { PressHotKey(key); });
  WatchTheme();
}

LinuxPlatform::~LinuxPlatform() {
  for (guint& source : signalSources_) {
    if (source != 0) g_source_remove(source);
    source = 0;
  }
  if (iconSource_ != 0) g_source_remove(iconSource_);
  if (displayOwner == this) displayOwner = nullptr;
  shortcuts_.reset();
  screen_.reset();
  if (displayGone_) {
    keys_->DisplayGone();
    return;
  }
  keys_.reset();
  UnwatchTheme();
  // A copy on the clipboard outlives us where a clipboard manager runs.
  gtk_clipboard_store(gtk_clipboard_get_for_display(display_, GDK_SELECTION_CLIPBOARD));
}

// SIGTERM, SIGHUP and SIGINT end the session; so does losing the X server.
void LinuxPlatform::WatchSession() {
  const int signals[3] = {SIGTERM, SIGHUP, SIGINT};
  for (int i = 0; i < 3; ++i) signalSources_[i] = g_unix_signal_add(signals[i], OnSignal, this);
  displayOwner = this;
  XSetIOErrorHandler(OnDisplayLost);
}

gboolean LinuxPlatform::OnSignal(gpointer self) {
  auto* platform = static_cast<LinuxPlatform*>(self);
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
int LinuxPlatform::OnDisplayLost(Display*) {
  LinuxPlatform* platform = displayOwner;
  if (platform != nullptr) {
    platform->displayGone_ = true;
    platform->keys_->DisplayGone();
    if (platform->window_ != nullptr) platform->window_->Dispatch().SessionEnd();
  }
  std::fflush(nullptr);
  _exit(0);
}

gint LinuxPlatform::RunDialog(GtkDialog* dialog) {
  SetDefaultIcon();
  GtkDialog* outer = dialog_;
  dialog_ = dialog;
  const gint response = gtk_dialog_run(dialog);
  dialog_ = outer;
  return response;
}

void LinuxPlatform::Pause(int milliseconds) {
  if (milliseconds > 0) g_usleep(static_cast<gulong>(milliseconds) * 1000);
}

void LinuxPlatform::CancelPointerCapture() {
  if (displayGone_) return;
  if (window_ != nullptr) window_->EndMove();
  gdk_seat_ungrab(gdk_display_get_default_seat(display_));
}

int LinuxPlatform::DragThreshold() {
  gint threshold = 8;  // GTK's own default
  g_object_get(gtk_settings_get_default(), "gtk-dnd-drag-threshold", &threshold, nullptr);
  return threshold;
}

TColor LinuxPlatform::SystemColorValue(SystemColor) {
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
void LinuxPlatform::WatchTheme() {
  GtkSettings* settings = gtk_settings_get_for_screen(gdk_display_get_default_screen(display_));
  for (const char* signal :
       {"notify::gtk-theme-name", "notify::gtk-application-prefer-dark-theme"}) {
    g_signal_connect(settings, signal, G_CALLBACK(OnThemeChanged), this);
  }
}

void LinuxPlatform::UnwatchTheme() {
  GtkSettings* settings = gtk_settings_get_for_screen(gdk_display_get_default_screen(display_));
  g_signal_handlers_disconnect_by_data(settings, this);
}

void LinuxPlatform::OnThemeChanged(GObject*, GParamSpec*, gpointer self) {
  static_cast<LinuxPlatform*>(self)->labelColorKnown_ = false;
}

TColor LinuxPlatform::ThemeLabelColor() {
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

PixelReading LinuxPlatform::ReadPixelUnderPointer() {
  return screen_->ReadUnderPointer(-1, nullptr);
}

PixelReading LinuxPlatform::ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) {
  return screen_->ReadUnderPointer(radius, &block);
}

PixelBlock LinuxPlatform::ReadPixelBlock(const Rect& area) {
  return screen_->ReadBlock(area);
}

Rect LinuxPlatform::PrimaryScreen() {
  if (displayGone_) return Rect{};
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display_);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display_, 0);
  if (monitor == nullptr) return Rect{};
  GdkRectangle area{};
  gdk_monitor_get_geometry(monitor, &area);
  const int scale = gdk_monitor_get_scale_factor(monitor);
  return Rect{area.x * scale, area.y * scale, area.width * scale, area.height * scale};
}

HotKeyRegistration LinuxPlatform::GrabHotKey(HotKey key) {
  return HotKeyRegistration{HotKeyId(key), !displayGone_ && keys_->Grab(key)};
}

void LinuxPlatform::UngrabHotKey(int id) {
  for (const ActionName& entry : kActionNames) {
    if (HotKeyId(entry.key) == id && !displayGone_) keys_->Ungrab(entry.key);
  }
}

void LinuxPlatform::PressHotKey(HotKey key) {
  if (window_ != nullptr) window_->Dispatch().HotKey(HotKeyId(key));
}

// Stable identifiers of the keys: their place in kActionNames, from 1.
int LinuxPlatform::HotKeyId(HotKey key) {
  return static_cast<int>(&NameOf(key) - kActionNames) + 1;
}

void LinuxPlatform::UseClipboard(std::unique_ptr<DataControlClipboard> clipboard) {
  dataControl_ = std::move(clipboard);
}

void LinuxPlatform::UseShortcuts(std::unique_ptr<GlobalShortcuts> shortcuts) {
  shortcuts_ = std::move(shortcuts);
}

void LinuxPlatform::ScreenLost(const std::string& why) {
  std::fprintf(stderr, "Velmora: %s\n", why.c_str());
  if (window_ != nullptr) {
    window_->Dispatch().SessionEnd();
    window_->EndMove();
  }
  ShowErrorBox(window_ != nullptr ? static_cast<IWindow*>(window_) : nullptr, kApplicationTitle,
               why);
  // NOTE: the colour box is saved; what is left (the window, the share's
  // threads) ends with the process, as when the X display is lost.
  std::fflush(nullptr);
  _exit(kScreenLostExitCode);
}

}  // namespace velmora
