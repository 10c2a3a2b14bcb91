// Files: the configuration folder (XDG), profile files (each read or write is
// one read of the file and, for a write, one atomic replacement of it, worked
// on by the profile engine), and creating folders.
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/ProfileFile.h"
#include "platform/linux/LinuxPlatform.h"

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

}  // namespace

std::string LinuxPlatform::ConfigBaseFolder() {
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

std::vector<std::string> LinuxPlatform::ReadProfileValues(const std::string& file,
                                                          const std::string& section,
                                                          const std::vector<std::string>& keys) {
  std::string bytes;
  bool exists = false;
  if (!ReadWholeFile(file, bytes, exists)) bytes.clear();
  return ProfileFile(bytes).ReadStrings(section, keys);
}

bool LinuxPlatform::WriteProfileValues(const std::string& file, const std::string& section,
                                       const ProfileValues& values) {
  std::string bytes;
  bool exists = false;
  if (!ReadWholeFile(file, bytes, exists)) return false;
  ProfileFile profile = exists ? ProfileFile(bytes) : ProfileFile();
  if (!profile.WriteStrings(section, values)) return true;
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
  return ReplaceFile(file, profile.Bytes(), mode);
}

bool LinuxPlatform::WriteFileReplacing(const std::string& file, const std::string& bytes) {
  const mode_t mask = umask(0);
  umask(mask);
  return ReplaceFile(file, bytes, 0666 & ~mask);
}

bool LinuxPlatform::CreateFolders(const std::string& path) {
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
