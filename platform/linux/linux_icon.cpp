// The program's icon for its windows (the task bar, Alt+Tab and the
// dialogs): the copy compiled into the program (cmake/Icon.cmake), the same
// drawing the package installs into the hicolor theme. NOTE: not looked up
// in the icon theme: loading the theme costs about 35 ms at start-up (a
// third of a bare GTK window's start), decoding our PNGs about 1 ms; a
// desktop shows the theme's icon for us anyway, through the desktop entry.
// Decoded once the main window is shown: its first frame does not wait on
// the icon.
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/VelmoraIcon.h"

namespace velmora {

namespace {

// One embedded PNG as a pixbuf (nullptr if it cannot be read).
GdkPixbuf* DecodePng(const EmbeddedPng& png) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
  if (loader == nullptr) return nullptr;
  GdkPixbuf* pixbuf = nullptr;
  if (gdk_pixbuf_loader_write(loader, png.bytes, png.size, nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf != nullptr) g_object_ref(pixbuf);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return pixbuf;
}

}  // namespace

void LinuxPlatform::SetDefaultIconWhenIdle() {
  if (iconSet_ || iconSource_ != 0) return;
  iconSource_ = g_idle_add_full(G_PRIORITY_LOW, OnIdleIcon, this, nullptr);
}

gboolean LinuxPlatform::OnIdleIcon(gpointer self) {
  auto* platform = static_cast<LinuxPlatform*>(self);
  platform->iconSource_ = 0;
  platform->SetDefaultIcon();
  return G_SOURCE_REMOVE;
}

void LinuxPlatform::SetDefaultIcon() {
  if (iconSet_) return;
  iconSet_ = true;
  if (iconSource_ != 0) g_source_remove(iconSource_);
  iconSource_ = 0;
  GList* icons = nullptr;
  for (const EmbeddedPng& png : kIconPngs) {
    if (GdkPixbuf* pixbuf = DecodePng(png)) icons = g_list_append(icons, pixbuf);
  }
  // GTK keeps its own references. NOTE: the default reaches the windows
  // made from now on; a window shown before gets the list itself.
  gtk_window_set_default_icon_list(icons);
  if (window_ != nullptr) gtk_window_set_icon_list(window_->Widget(), icons);
  g_list_free_full(icons, g_object_unref);
}

}  // namespace velmora
