// Files of the Win32 backend: the shared documents folder, profile strings
// and folder creation.
#include <shlobj.h>

#include "platform/win32/Win32Platform.h"

namespace velmora {

namespace {

// Holds an item ID list from the shell and frees it on every path.
class ScopedIdList {
 public:
  ScopedIdList() = default;
  ScopedIdList(const ScopedIdList&) = delete;
  ScopedIdList& operator=(const ScopedIdList&) = delete;
  ~ScopedIdList() {
    if (list_) CoTaskMemFree(list_);
  }
  LPITEMIDLIST* Out() { return &list_; }
  LPCITEMIDLIST Get() const { return list_; }

 private:
  LPITEMIDLIST list_ = nullptr;
};

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the folders of `path` start: after "C:", "\\server\share" or a leading "\".
std::string::size_type FirstComponent(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return 2;
  if (path.compare(0, 2, "\\\\") == 0) {
    const std::string::size_type server = path.find('\\', 2);
    if (server == std::string::npos) return path.size();
    const std::string::size_type share = path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share;
  }
  return 0;
}

}  // namespace

// The shared documents folder of all users.
std::string Win32Platform::ConfigBaseFolder() {
  ScopedIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_DOCUMENTS, list.Out())) ||
      !list.Get()) {
    return std::string();
  }
  char path[MAX_PATH] = "";
  if (!SHGetPathFromIDListA(list.Get(), path)) return std::string();
  return path;
}

std::string Win32Platform::ReadProfileString(const std::string& file, const std::string& section,
                                             const std::string& key) {
  char buffer[2048] = "";
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, file.c_str());
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

bool Win32Platform::WriteProfileString(const std::string& file, const std::string& section,
                                       const std::string& key, const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

bool Win32Platform::CreateFolders(const std::string& path) {
  std::string::size_type pos = FirstComponent(path);
  while (pos < path.size()) {
    std::string::size_type next = path.find_first_of("\\/", pos + 1);
    if (next == std::string::npos) next = path.size();
    const std::string prefix = path.substr(0, next);
    if (next > pos + 1 && !IsFolder(prefix)) CreateDirectoryA(prefix.c_str(), nullptr);
    pos = next;
  }
  return IsFolder(path);
}

}  // namespace velmora
