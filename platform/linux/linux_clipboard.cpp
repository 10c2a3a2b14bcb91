// The clipboard (GTK's CLIPBOARD selection, plain text) and opening addresses.
#include "platform/linux/LinuxPlatform.h"
#include "platform/wayland/DataControlClipboard.h"

namespace velmora {

ClipboardResult LinuxPlatform::SetClipboardText(IWindow*, const std::string& text) {
  if (displayGone_) return ClipboardResult::Refused;
  // NOTE: wlroots desktops hand the clipboard of an XWayland window to
  // Wayland programs only while it has the focus; data control works always.
  if (dataControl_ != nullptr)
    return dataControl_->SetText(text) ? ClipboardResult::Ok : ClipboardResult::Refused;
  GtkClipboard* clipboard = gtk_clipboard_get_for_display(display_, GDK_SELECTION_CLIPBOARD);
  gtk_clipboard_set_text(clipboard, text.data(), static_cast<gint>(text.size()));
  // Lets gtk_clipboard_store hand the text to a clipboard manager on exit.
  gtk_clipboard_set_can_store(clipboard, nullptr, 0);
  return ClipboardResult::Ok;
}

void LinuxPlatform::OpenAddress(IWindow* owner, const std::string& address) {
  if (displayGone_) return;
  GtkWindow* parent = owner != nullptr ? static_cast<LinuxWindow*>(owner)->Widget() : nullptr;
  GError* error = nullptr;
  // The outcome is not reported: a desktop without a handler just opens nothing.
  if (!gtk_show_uri_on_window(parent, address.c_str(), GDK_CURRENT_TIME, &error)) {
    g_clear_error(&error);
  }
}

}  // namespace velmora
