// Files: the configuration folder (XDG), profile files worked on by the
// portable profile engine over real files, and creating folders.
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "config/ProfileFile.h"
#include "platform/x11/X11Platform.h"

namespace velmora {

namespace {

// The whole content of a regular file. False when it cannot be read; a
// missing file reads as empty and sets `exists` false.
bool ReadWholeFile(const std::string& path, std::string& bytes, bool& exists) {
  bytes.clear();
  exists = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  exists = true;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Replaces the file's content: a temporary file in the same folder, then a
// rename, so a failed write never leaves the old file cut short.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

// What tells one content of a file from another without reading it: false
// when the file cannot be looked at (a missing file has the identity zero).
bool FileIdentity(const std::string& path, unsigned long long (&identity)[4]) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    for (auto& part : identity) part = 0;
    return errno == ENOENT;
  }
  identity[0] = static_cast<unsigned long long>(info.st_dev);
  identity[1] = static_cast<unsigned long long>(info.st_ino);
  identity[2] = static_cast<unsigned long long>(info.st_size);
  identity[3] = static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ull +
                static_cast<unsigned long long>(info.st_mtim.tv_nsec);
  return true;
}

}  // namespace

// The parsed content of a profile file, read and parsed again only when the
// file changed on disk: the program reads and writes six keys in a row, and
// a large file would otherwise be read and parsed for each of them.
ProfileFile* X11Platform::LoadProfile(const std::string& file, bool& exists) {
  unsigned long long identity[4];
  if (!FileIdentity(file, identity)) return nullptr;
  exists = identity[1] != 0;
  if (profile_.valid && profile_.path == file &&
      std::equal(identity, identity + 4, profile_.identity)) {
    return &profile_.content;
  }
  profile_.valid = false;
  std::string bytes;
  bool found = false;
  if (!ReadWholeFile(file, bytes, found)) return nullptr;
  profile_.content = ProfileFile(bytes);
  profile_.path = file;
  std::copy(identity, identity + 4, profile_.identity);
  profile_.valid = true;
  return &profile_.content;
}

std::string X11Platform::ConfigBaseFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is ignored, as the XDG base directory rules say.
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  std::string base = home != nullptr ? home : "";
  if (base.empty()) {
    const passwd* user = getpwuid(getuid());
    if (user != nullptr && user->pw_dir != nullptr) base = user->pw_dir;
  }
  if (base.empty()) return std::string();
  return base + "/.config";
}

std::string X11Platform::ReadProfileString(const std::string& file, const std::string& section,
                                           const std::string& key) {
  bool exists = false;
  const ProfileFile* profile = LoadProfile(file, exists);
  return profile != nullptr ? profile->ReadString(section, key, kProfileBufferChars)
                            : std::string();
}

bool X11Platform::WriteProfileString(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& value) {
  bool exists = false;
  ProfileFile* profile = LoadProfile(file, exists);
  if (profile == nullptr) return false;
  if (!profile->WriteString(section, key, value)) return true;
  // A new file gets the usual mode for the user's umask; an old one keeps its own.
  mode_t mode = 0;
  struct stat info {};
  if (exists && stat(file.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  // The cached content now holds the change: it stays only if the file does.
  profile_.valid =
      ReplaceFile(file, profile->Bytes(), mode) && FileIdentity(file, profile_.identity);
  return profile_.valid;
}

bool X11Platform::CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  std::string::size_type pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string prefix = path.substr(0, pos);
    if (prefix.empty()) continue;
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace velmora
