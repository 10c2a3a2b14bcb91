// Start at login: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/
// com.quorvane.Velmora.desktop, that runs this program.
#include <glib/gstdio.h>

#include <cerrno>
#include <string>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

std::string AutostartFolder() {
  return std::string(g_get_user_config_dir()) + "/autostart";
}

std::string AutostartFile() {
  return AutostartFolder() + "/com.quorvane.Velmora.desktop";
}

// The program's path as one argument of an Exec line, written as a key
// file's value: quoted, with the characters the quotes reserve escaped, then
// backslashes doubled again for the key file.
std::string ExecArgument(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value += '\\';
    if (c == '%') value += '%';  // a field code otherwise
    value += c;
  }
  return value;
}

}  // namespace

bool LinuxPlatform::StartsAtLogin() {
  GKeyFile* entry = g_key_file_new();
  bool starts = false;
  if (g_key_file_load_from_file(entry, AutostartFile().c_str(), G_KEY_FILE_NONE, nullptr)) {
    // An entry the user has hidden or turned off does not start it.
    starts = !g_key_file_get_boolean(entry, G_KEY_FILE_DESKTOP_GROUP, "Hidden", nullptr) &&
             (!g_key_file_has_key(entry, G_KEY_FILE_DESKTOP_GROUP, "X-GNOME-Autostart-enabled",
                                  nullptr) ||
              g_key_file_get_boolean(entry, G_KEY_FILE_DESKTOP_GROUP, "X-GNOME-Autostart-enabled",
                                     nullptr));
  }
  g_key_file_free(entry);
  return starts;
}

bool LinuxPlatform::SetStartAtLogin(bool on) {
  const std::string file = AutostartFile();
  if (!on) return g_unlink(file.c_str()) == 0 || errno == ENOENT;
  gchar* program = g_file_read_link("/proc/self/exe", nullptr);
  if (program == nullptr) return false;
  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Velmora\n"
      "Comment=Show the colour of the pixel under the mouse pointer and copy its code\n"
      "Exec=" +
      ExecArgument(program) +
      "\n"
      "Icon=com.quorvane.Velmora\n"
      "X-GNOME-Autostart-enabled=true\n";
  g_free(program);
  if (g_mkdir_with_parents(AutostartFolder().c_str(), 0700) != 0) return false;
  // Written to a temporary file and moved over the entry: never half written.
  return g_file_set_contents(file.c_str(), content.c_str(), static_cast<gssize>(content.size()),
                             nullptr) != FALSE;
}

}  // namespace velmora
