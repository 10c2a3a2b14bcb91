// The clipboard of a wlroots desktop (or another with the data-control
// protocol), set through a Wayland connection of Velmora's own: it takes the
// text while Velmora's window has no focus (a command run from the desktop's
// key binding), which the desktop refuses to an XWayland window.
#pragma once

#include <memory>
#include <string>

namespace velmora {

class DataControlClipboard {
 public:
  ~DataControlClipboard();
  DataControlClipboard(const DataControlClipboard&) = delete;
  DataControlClipboard& operator=(const DataControlClipboard&) = delete;

  // The desktop's clipboard through ext-data-control-v1; nullptr where the
  // desktop of WAYLAND_DISPLAY does not offer it. Served on the GLib main loop.
  static std::unique_ptr<DataControlClipboard> Connect();

  // Offers `text` as the clipboard's until another program takes it; false
  // when the connection is gone.
  bool SetText(const std::string& text);

  struct Impl;

 private:
  explicit DataControlClipboard(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmora
