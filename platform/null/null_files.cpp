// Files of the null platform: profile files held as bytes in memory and
// worked on by the profile engine, with folders and read-only files.
#include "platform/PathNames.h"
#include "platform/ProfileFile.h"
#include "platform/null/NullPlatform.h"

namespace velmora {

namespace {

// A drive ("C:") or the root of the current drive ("") always exists.
bool IsRoot(const std::string& path) {
  return path.empty() || (path.size() == 2 && path[1] == ':');
}

}  // namespace

std::vector<std::string> NullPlatform::ReadProfileValues(const std::string& file,
                                                         const std::string& section,
                                                         const std::vector<std::string>& keys) {
  auto it = files.find(file);
  if (it == files.end()) return std::vector<std::string>(keys.size());
  ++fileReads;
  return ProfileFile(it->second).ReadStrings(section, keys);
}

bool NullPlatform::WriteProfileValues(const std::string& file, const std::string& section,
                                      const ProfileValues& values) {
  const std::string parent = FolderOf(file, std::string_view(&pathSeparator, 1));
  if (folders.count(file) || readOnly.count(file)) return false;
  if (!IsRoot(parent) && !folders.count(parent)) return false;
  auto it = files.find(file);
  if (it != files.end()) ++fileReads;
  ProfileFile profile = it == files.end() ? ProfileFile() : ProfileFile(it->second);
  if (profile.WriteStrings(section, values)) {
    files[file] = profile.Bytes();
    ++fileWrites;
  }
  return true;
}

bool NullPlatform::WriteFileReplacing(const std::string& file, const std::string& bytes) {
  const std::string parent = FolderOf(file, std::string_view(&pathSeparator, 1));
  // The new file goes beside the old one: the folder must take it.
  if (folders.count(file) || readOnly.count(file) || readOnly.count(parent)) return false;
  if (!IsRoot(parent) && !folders.count(parent)) return false;
  files[file] = bytes;
  ++filesReplaced;
  return true;
}

bool NullPlatform::CreateFolders(const std::string& path) {
  std::string::size_type pos = 0;
  while (pos != std::string::npos) {
    pos = path.find(pathSeparator, pos + 1);
    const std::string prefix = path.substr(0, pos);
    if (IsRoot(prefix) || folders.count(prefix)) continue;
    if (files.count(prefix)) return false;
    folders.insert(prefix);
  }
  return true;
}

}  // namespace velmora
