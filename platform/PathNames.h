// File names as text: what the portable code and the backends alike take
// apart. Below the seam: it includes nothing from the layers above.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The folder a file lies in: everything before the last of `separators`;
// empty when the name holds none of them.
inline std::string FolderOf(const std::string& path, std::string_view separators) {
  const std::string::size_type slash = path.find_last_of(separators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace velmora
