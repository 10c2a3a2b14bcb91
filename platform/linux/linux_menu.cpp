// Context menus of the main window: a GtkMenu at the pointer, run in a loop
// of its own until the user chooses or dismisses it.
#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

// Where the id of the item chosen goes.
struct MenuRun {
  int chosen = 0;
  GMainLoop* loop = nullptr;
};

void OnItemActivate(GtkMenuItem* item, gpointer run) {
  static_cast<MenuRun*>(run)->chosen =
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "velmora-id"));
}

GtkWidget* MakeMenu(const std::vector<MenuItem>& items, MenuRun& run) {
  GtkWidget* menu = gtk_menu_new();
  for (const MenuItem& item : items) {
    GtkWidget* widget = nullptr;
    const std::string& text = item.text;  // UTF-8, as GTK takes it
    if (item.text.empty()) {
      widget = gtk_separator_menu_item_new();
    } else if (item.checked || item.radio) {
      widget = gtk_check_menu_item_new_with_label(text.c_str());
      GtkCheckMenuItem* check = GTK_CHECK_MENU_ITEM(widget);
      gtk_check_menu_item_set_draw_as_radio(check, item.radio);
      // NOTE: setting the state emits "activate": it is set before the handler is connected.
      gtk_check_menu_item_set_active(check, item.checked);
    } else {
      widget = gtk_menu_item_new_with_label(text.c_str());
    }
    gtk_widget_set_sensitive(widget, item.enabled);
    if (!item.submenu.empty()) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), MakeMenu(item.submenu, run));
    } else if (!item.text.empty()) {
      g_object_set_data(G_OBJECT(widget), "velmora-id", GINT_TO_POINTER(item.id));
      g_signal_connect(widget, "activate", G_CALLBACK(OnItemActivate), &run);
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
  }
  return menu;
}

void OnMenuDeactivate(GtkMenuShell*, gpointer run) {
  g_main_loop_quit(static_cast<MenuRun*>(run)->loop);
}

}  // namespace

int LinuxWindow::ShowMenu(const std::vector<MenuItem>& items) {
  if (widget_ == nullptr || !platform_.DisplayAlive()) return 0;
  MenuRun run;
  GtkWidget* menu = MakeMenu(items, run);
  gtk_menu_attach_to_widget(GTK_MENU(menu), widget_, nullptr);
  gtk_widget_show_all(menu);
  run.loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect(menu, "deactivate", G_CALLBACK(OnMenuDeactivate), &run);
  menu_ = menu;
  GdkEvent* trigger = gtk_get_current_event();
  gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
  if (trigger != nullptr) gdk_event_free(trigger);
  // NOTE: the item's "activate" comes after the menu's "deactivate", in the
  // same dispatch: the loop ends only after it.
  if (gtk_widget_get_visible(menu)) g_main_loop_run(run.loop);
  g_main_loop_unref(run.loop);
  menu_ = nullptr;
  if (platform_.DisplayAlive()) gtk_widget_destroy(menu);
  return run.chosen;
}

}  // namespace velmora
