// Dialogs: the colour chooser and the error box.
#include <cstdio>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

GtkWindow* ParentOf(IWindow* owner) {
  return owner != nullptr ? static_cast<LinuxWindow*>(owner)->Widget() : nullptr;
}

}  // namespace

bool LinuxPlatform::PickColor(IWindow* owner, TColor& color) {
  if (displayGone_) return false;
  GtkWidget* dialog = gtk_color_chooser_dialog_new("Color", ParentOf(owner));
  gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
  const GdkRGBA initial = ToRgba(color);
  gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &initial);
  g_object_set(dialog, "show-editor", TRUE, nullptr);
  const gint response = RunDialog(GTK_DIALOG(dialog));
  bool chosen = false;
  if (response == GTK_RESPONSE_OK && !displayGone_) {
    GdkRGBA rgba{};
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
    color = FromRgba(rgba);
    chosen = true;
  }
  if (!displayGone_) gtk_widget_destroy(dialog);
  return chosen;
}

void LinuxPlatform::ShowErrorBox(IWindow* owner, const std::string& caption,
                                 const std::string& text) {
  if (displayGone_) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  GtkWidget* box = gtk_message_dialog_new(ParentOf(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  RunDialog(GTK_DIALOG(box));
  if (!displayGone_) gtk_widget_destroy(box);
}

}  // namespace velmora
