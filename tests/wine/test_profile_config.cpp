// Config.ini through TIniFile on the real profile functions, and the file
// services of the Win32 backend.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "config/IniFileUtils.h"
#include "config/PathUtils.h"
#include "platform/win32/Win32Platform.h"
#include "tests/shared/config_file_cases.h"

namespace velmora {
namespace {

// Deletes a folder with everything in it.
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

// A fresh folder in the temporary folder, and the Win32 backend as the
// current platform.
class Win32Files {
 public:
  Win32Files() {
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "velmora-config-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(serial++);
    // GetTempPath ends in a backslash; Root() does not.
    CreateDirectoryA(root_.c_str(), nullptr);
    SetPlatform(&platform_);
  }
  ~Win32Files() {
    SetPlatform(nullptr);
    RemoveTree(root_);
  }
  std::string Root() { return root_; }
  void Put(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  bool Get(const std::string& file, std::string& bytes) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return false;
    }
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }
  std::string Get(const std::string& file) {
    std::string bytes;
    return Get(file, bytes) ? bytes : "(none)";
  }
  void MakeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }
  Win32Platform& Platform() { return platform_; }

 private:
  Win32Platform platform_;
  std::string root_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(OnWin32, ConfigFile, Win32Files);

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32FileServices, SharedDocumentsFolderIsAnExistingFolder) {
  Win32Files files;
  const std::string folder = GetCommonDocumentsPath();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(IsFolder(folder)) << folder;
  EXPECT_NE(folder.back(), '\\');
  EXPECT_EQ(GetConfigFileName(), folder + "\\Quorvane\\Velmora\\Config.ini");
}

TEST(Win32FileServices, CreateFoldersMakesEveryMissingFolder) {
  Win32Files files;
  const std::string deep = files.Root() + "\\A\\B\\C";
  EXPECT_TRUE(files.Platform().CreateFolders(deep));
  EXPECT_TRUE(IsFolder(deep));
  EXPECT_TRUE(files.Platform().CreateFolders(deep));  // already there
  files.Put(files.Root() + "\\F", "x");
  EXPECT_FALSE(files.Platform().CreateFolders(files.Root() + "\\F\\G"));
}

TEST(Win32FileServices, ProfileValuesThroughTheBackend) {
  Win32Files files;
  const std::string name = files.Root() + "\\p.ini";
  Win32Platform& platform = files.Platform();
  EXPECT_EQ(platform.ReadProfileValues(name, "S", {"K", "L"}),
            (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(platform.WriteProfileValues(name, "S", {{"K", "'v'"}, {"L", "2"}}));
  EXPECT_EQ(platform.ReadProfileValues(name, "s", {"l", "k"}),
            (std::vector<std::string>{"2", "v"}));
  EXPECT_EQ(files.Get(name), "[S]\r\nK='v'\r\nL=2\r\n");
  files.Put(name, "[S]\r\nK=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(platform.ReadProfileValues(name, "S", {"K"}).front(), std::string(2047, 'x'));
  EXPECT_FALSE(platform.WriteProfileValues(files.Root() + "\\none\\p.ini", "S", {{"K", "1"}}));
  // Nothing is left beside the file.
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((files.Root() + "\\*.new").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// A read-only file stays as it is, and a write to it fails, as the system's
// profile writer has it.
TEST(Win32FileServices, ReadOnlyProfileFileIsNotReplaced) {
  Win32Files files;
  const std::string name = files.Root() + "\\r.ini";
  files.Put(name, "[S]\r\nK=1\r\n");
  SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files.Platform().WriteProfileValues(name, "S", {{"K", "2"}}));
  EXPECT_EQ(files.Get(name), "[S]\r\nK=1\r\n");
}

}  // namespace
}  // namespace velmora
