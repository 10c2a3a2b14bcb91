// Profile files of the null platform, kept in memory.
// TODO(config): replace with the portable profile-file engine.
#include "platform/null/NullPlatform.h"

namespace velmora {

std::string NullPlatform::ReadProfileString(const std::string&, const std::string&,
                                            const std::string&) {
  return std::string();
}

bool NullPlatform::WriteProfileString(const std::string&, const std::string&,
                                      const std::string&, const std::string&) {
  return false;
}

bool NullPlatform::CreateFolders(const std::string&) { return false; }

}  // namespace velmora
