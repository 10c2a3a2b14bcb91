// The program's icon for its windows (the task bar, Alt+Tab and the dialogs):
// the icon theme's "velmora" where it is installed, else the copy compiled
// into the program, so that a build run from its own folder shows it too.
#include "platform/x11/VelmoraIcon.h"
#include "platform/x11/X11Platform.h"

namespace velmora {

namespace {

constexpr char kIconName[] = "velmora";

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

void X11Platform::SetDefaultIcon() {
  if (iconSet_) return;
  iconSet_ = true;
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kIconName)) {
    gtk_window_set_default_icon_name(kIconName);
    return;
  }
  GList* icons = nullptr;
  for (const EmbeddedPng& png : kIconPngs) {
    if (GdkPixbuf* pixbuf = DecodePng(png)) icons = g_list_append(icons, pixbuf);
  }
  // GTK keeps its own references.
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
}

}  // namespace velmora
