// What the sample average, the contrast report and exporting the colour box
// need: every monitor, the information box and the save dialog.
#include <vector>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

std::vector<Rect> LinuxPlatform::Monitors() {
  std::vector<Rect> monitors;
  if (displayGone_) return monitors;
  for (int i = 0; i < gdk_display_get_n_monitors(display_); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display_, i);
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor, &area);
    const int scale = gdk_monitor_get_scale_factor(monitor);
    monitors.push_back(
        Rect{area.x * scale, area.y * scale, area.width * scale, area.height * scale});
  }
  return monitors;
}

void LinuxPlatform::ShowInfoBox(IWindow* owner, const std::string& caption, const std::string& text) {
  if (displayGone_) return;
  GtkWidget* box = gtk_message_dialog_new(
      owner != nullptr ? static_cast<LinuxWindow*>(owner)->Widget() : nullptr, GTK_DIALOG_MODAL,
      GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  RunDialog(GTK_DIALOG(box));
  if (!displayGone_) gtk_widget_destroy(box);
}

bool LinuxPlatform::ChooseSaveFile(IWindow* owner, const std::string& title,
                                 const std::string& suggested,
                                 const std::vector<std::pair<std::string, std::string>>& filters,
                                 std::string& file) {
  if (displayGone_) return false;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), owner != nullptr ? static_cast<LinuxWindow*>(owner)->Widget() : nullptr,
      GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel", GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT,
      nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  // Enter in the name field saves.
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_current_name(chooser, suggested.c_str());
  for (const auto& [name, pattern] : filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.c_str());
    gtk_file_filter_add_pattern(filter, pattern.c_str());
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes it
  }
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  bool chosen = false;
  if (RunDialog(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT && !displayGone_) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (name != nullptr) {
      file = name;
      chosen = true;
      g_free(name);
    }
  }
  if (!displayGone_) gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace velmora
