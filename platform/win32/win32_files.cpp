// Files of the Win32 backend: the shared documents folder, profile files
// (each read or write is one read of the file and, for a write, one
// replacement of it, worked on by the profile engine), and folder creation.
#include <shlobj.h>

#include "platform/ProfileFile.h"
#include "platform/win32/Win32Handles.h"

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
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The whole content of a file. False when it cannot be read; a missing file
// (or folder) reads as empty and sets `exists` false.
bool ReadWholeFile(const WideText& path, std::string& bytes, bool& exists) {
  bytes.clear();
  exists = false;
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  exists = true;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

// Replaces the file's content: a temporary file beside it, flushed, then
// moved over it, so a failed write never leaves the old file cut short. A
// read-only file is left alone, as the system's profile writer leaves it.
bool ReplaceFileContent(const WideText& path, const std::string& bytes) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  const WideText temp = path + L".new";
  bool ok = false;
  {
    ScopedHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD written = 0;
    ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size() && ::FlushFileBuffers(file.Get());
  }
  if (ok) {
    ok = ::MoveFileExW(temp.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!ok) ::DeleteFileW(temp.c_str());
  return ok;
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
  wchar_t path[MAX_PATH] = L"";
  if (!SHGetPathFromIDListW(list.Get(), path)) return std::string();
  return Utf8(path);
}

std::vector<std::string> Win32Platform::ReadProfileValues(const std::string& file,
                                                          const std::string& section,
                                                          const std::vector<std::string>& keys) {
  std::string bytes;
  bool exists = false;
  if (!ReadWholeFile(Wide(file), bytes, exists)) bytes.clear();
  return ProfileFile(bytes).ReadStrings(section, keys);
}

bool Win32Platform::WriteProfileValues(const std::string& file, const std::string& section,
                                       const ProfileValues& values) {
  const WideText path = Wide(file);
  std::string bytes;
  bool exists = false;
  if (!ReadWholeFile(path, bytes, exists)) return false;
  ProfileFile profile = exists ? ProfileFile(bytes) : ProfileFile();
  if (!profile.WriteStrings(section, values)) return true;
  return ReplaceFileContent(path, profile.Bytes());
}

bool Win32Platform::WriteFileReplacing(const std::string& file, const std::string& bytes) {
  return ReplaceFileContent(Wide(file), bytes);
}

bool Win32Platform::CreateFolders(const std::string& path) {
  std::string::size_type pos = FirstComponent(path);
  while (pos < path.size()) {
    std::string::size_type next = path.find_first_of("\\/", pos + 1);
    if (next == std::string::npos) next = path.size();
    const std::string prefix = path.substr(0, next);
    if (next > pos + 1 && !IsFolder(prefix)) ::CreateDirectoryW(Wide(prefix).c_str(), nullptr);
    pos = next;
  }
  return IsFolder(path);
}

}  // namespace velmora
