// The yardstick for start-up and memory: a GTK 3 program that only shows one
// borderless window of Velmora's size, titled "Velmora bare window".
//   bare_gtk_window [--read]
// With --read it also makes the bare read (BareRead.h) on a 100 ms GLib
// timer: what any GTK program that reads the pixel ten times a second costs.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstring>

#include "tests/bench/native/BareRead.h"

namespace {

// The last pixel read, kept where the compiler cannot drop the read.
volatile unsigned long lastPixel = 0;

gboolean Read(gpointer) {
  lastPixel = BareReadPixel(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()));
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(&argc, &argv);
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_window_set_title(window, "Velmora bare window");
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_widget_set_size_request(widget, 272, 32);
  gtk_window_move(window, 376, 153);
  g_signal_connect(widget, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show(widget);
  if (argc > 1 && std::strcmp(argv[1], "--read") == 0) g_timeout_add(100, Read, nullptr);
  gtk_main();
  return 0;
}
