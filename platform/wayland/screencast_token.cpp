// The ScreenCast portal's restore token, kept beside Config.ini: the next
// start asks the user nothing.
#include <glib.h>

#include <fstream>
#include <memory>

#include "platform/wayland/PortalScreen.h"

namespace velmora {

std::string ReadScreenCastToken(const std::string& file) {
  std::ifstream in(file);
  std::string token;
  std::getline(in, token);
  return token;
}

void WriteScreenCastToken(const std::string& file, const std::string& token) {
  if (token.empty()) return;
  std::unique_ptr<gchar, decltype(&g_free)> folder(g_path_get_dirname(file.c_str()), g_free);
  g_mkdir_with_parents(folder.get(), 0700);
  g_file_set_contents(file.c_str(), (token + "\n").c_str(), -1, nullptr);
}

}  // namespace velmora
