// The yardstick for start-up and memory: a GTK 3 program that only shows one
// borderless window of Velmora's size, titled "Velmora bare window".
#include <gtk/gtk.h>

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
  gtk_main();
  return 0;
}
