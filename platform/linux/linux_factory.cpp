// The program's platform on Linux, and the one place that tells the session
// kinds apart: on X11 the screen is the X server's; on a Wayland desktop the
// window stays an X11 window (XWayland) and the screen comes from the
// desktop's capture protocols (wlroots desktops, Hyprland) or else its
// ScreenCast portal and PipeWire, with its global shortcuts where it has them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "platform/PlatformFactory.h"
#include "platform/Version.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/wayland/CaptureScreen.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/GlobalShortcuts.h"
#include "platform/wayland/PortalScreen.h"
#include "platform/x11/X11Screen.h"

namespace velmora {

namespace {

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

// GNOME or KDE Plasma (XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"): their
// ScreenCast portal serves, whatever capture protocols they offer besides.
bool PortalDesktop() {
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktops == nullptr) return false;
  const std::string list = std::string(":") + desktops + ":";
  return list.find(":GNOME:") != std::string::npos || list.find(":KDE:") != std::string::npos;
}

// Says why Velmora cannot run: on standard error, and in a message box when
// GTK can open any display.
void Refuse(LinuxPlatform* platform, const std::string& why) {
  std::fprintf(stderr, "Velmora: %s\n", why.c_str());
  if (platform != nullptr) {
    platform->ShowErrorBox(nullptr, kApplicationTitle, why);
    return;
  }
  if (!gtk_init_check(nullptr, nullptr)) return;
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", why.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kApplicationTitle);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace

std::unique_ptr<LinuxPlatform> CreateX11Platform() {
  auto platform = std::make_unique<LinuxPlatform>();
  platform->UseScreen(CreateX11Screen(platform->Gdk(), platform->DisplayGoneFlag()));
  return platform;
}

std::unique_ptr<IPlatform> CreateNativePlatform() {
  const bool wayland = WaylandSession();
  std::unique_ptr<LinuxPlatform> platform;
  try {
    platform = wayland ? std::make_unique<LinuxPlatform>() : CreateX11Platform();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Velmora: %s\n", error.what());
    if (wayland) Refuse(nullptr, kNeedsX11);
    return nullptr;
  }
  if (!wayland) return platform;
  // NOTE: under Wayland the X server (XWayland) shows no other program's
  // pixels: the screen comes from the desktop's capture protocols where it
  // offers them (wlroots desktops, Hyprland), else from its ScreenCast portal.
  LinuxPlatform* owner = platform.get();
  ScreenLostHandler lost = [owner](const std::string& why) { owner->ScreenLost(why); };
  CaptureScreenStart capture;
  if (!PortalDesktop()) capture = StartCaptureScreen(lost);
  if (capture.offered) {
    if (capture.source == nullptr) {
      Refuse(platform.get(), capture.refusal);
      return nullptr;
    }
    platform->UseScreen(std::move(capture.source));
    // These desktops keep no X11 window above a fullscreen one or on every
    // workspace: the strip is a window they do not manage.
    platform->UseUnmanagedWindows();
    platform->UseClipboard(DataControlClipboard::Connect());
  } else {
    PortalScreenStart portal = StartPortalScreen(platform->ConfigFile("ScreenCast.token"), lost);
    if (portal.source == nullptr) {
      Refuse(platform.get(), portal.refusal);
      return nullptr;
    }
    platform->UseScreen(std::move(portal.source));
  }
  // The hot keys: X key grabs do not see keys typed into Wayland windows.
  // Without the portal, the commands of the running program do their work.
  auto shortcuts =
      std::make_unique<GlobalShortcuts>([owner](Action action) { owner->Perform(action); });
  if (shortcuts->Error().empty()) platform->UseShortcuts(std::move(shortcuts));
  return platform;
}

}  // namespace velmora
