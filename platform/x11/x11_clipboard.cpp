// The clipboard (GTK's CLIPBOARD selection, plain text) and opening addresses.
#include "platform/x11/X11Platform.h"

namespace velmora {

std::string ToUtf8(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                               "WINDOWS-1252", nullptr, nullptr, nullptr);
  if (converted == nullptr) return std::string();
  std::string result(converted);
  g_free(converted);
  return result;
}

ClipboardResult X11Platform::SetClipboardText(IWindow*, const std::string& text) {
  if (displayGone_) return ClipboardResult::Refused;
  GtkClipboard* clipboard = gtk_clipboard_get_for_display(display_, GDK_SELECTION_CLIPBOARD);
  const std::string utf8 = ToUtf8(text);
  gtk_clipboard_set_text(clipboard, utf8.data(), static_cast<gint>(utf8.size()));
  // Lets gtk_clipboard_store hand the text to a clipboard manager on exit.
  gtk_clipboard_set_can_store(clipboard, nullptr, 0);
  return ClipboardResult::Ok;
}

void X11Platform::OpenAddress(IWindow* owner, const std::string& address) {
  if (displayGone_) return;
  GtkWindow* parent = owner != nullptr ? static_cast<X11Window*>(owner)->Widget() : nullptr;
  GError* error = nullptr;
  // The outcome is not reported: a desktop without a handler just opens nothing.
  if (!gtk_show_uri_on_window(parent, address.c_str(), GDK_CURRENT_TIME, &error)) {
    g_clear_error(&error);
  }
}

}  // namespace velmora
