#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "config/IniFileUtils.h"
#include "config/PathUtils.h"
#include "core/Errors.h"
#include "platform/null/NullPlatform.h"
#include "tests/shared/config_file_cases.h"

namespace velmora {
namespace {

using namespace std::string_literals;

// The null platform's file store as the shared Config.ini tests see it.
class NullFiles {
 public:
  NullFiles() { platform.folders = {"C:\\Test"}; }
  std::string Root() { return "C:\\Test"; }
  void Put(const std::string& file, const std::string& bytes) { platform.files[file] = bytes; }
  bool Get(const std::string& file, std::string& bytes) {
    auto it = platform.files.find(file);
    if (it == platform.files.end()) return false;
    bytes = it->second;
    return true;
  }
  void MakeFolder(const std::string& path) { platform.folders.insert(path); }

  NullPlatform platform;
};

INSTANTIATE_TYPED_TEST_SUITE_P(OnNullPlatform, ConfigFile, NullFiles);

struct Conversion {
  const char* text;
  bool valid;
  std::int32_t value;
};

TEST(TryStrToInt, TableOfTexts) {
  const Conversion cases[] = {
      {"0", true, 0},
      {"14772545", true, 14772545},
      {"  14772545", true, 14772545},
      {"-1", true, -1},
      {"+7", true, 7},
      {"000000000000000000012", true, 12},
      {"2147483647", true, INT32_MAX},
      {"2147483648", false, 0},
      {"-2147483648", true, INT32_MIN},
      {"-2147483649", false, 0},
      {"12345678901", false, 0},
      {"99999999999999999999", false, 0},
      {"$FF", true, 255},
      {"0x0000FF", true, 255},
      {"0XfF", true, 255},
      {"xab", true, 0xAB},
      {"XAB", true, 0xAB},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, INT32_MIN},
      {"$7fffffff", true, INT32_MAX},
      {"$0000000000FF", true, 255},
      {"$100000000", false, 0},
      {"-$10", true, -16},
      {"+0x10", true, 16},
      {"-$80000000", true, INT32_MIN},
      {"-$FFFFFFFF", true, 1},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"x", false, 0},
      {"abc", false, 0},
      {"12abc", false, 0},
      {"12 ", false, 0},
      {"1 2", false, 0},
      {"- 5", false, 0},
      {"--5", false, 0},
      {"+-5", false, 0},
      {"$-5", false, 0},
      {"0x$5", false, 0},
      {"00x5", false, 0},
      {"$G", false, 0},
      {"\t5", false, 0},
      {"5.0", false, 0},
      {"1e3", false, 0},
  };
  for (const Conversion& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    std::int32_t value = 4242;
    EXPECT_EQ(TryStrToInt(c.text, value), c.valid);
    EXPECT_EQ(value, c.valid ? c.value : 4242);
  }
  std::int32_t value = 0;
  EXPECT_FALSE(TryStrToInt(std::string("5\0", 2), value));
}

TEST(ConfigFileName, BaseFolderAndSuffixAsTheyStand) {
  NullPlatform platform;
  const struct {
    const char* folder;
    char separator;
    const char* name;
  } cases[] = {
      {"C:\\Users\\Public\\Documents", '\\',
       "C:\\Users\\Public\\Documents\\Quorvane\\Velmora\\Config.ini"},
      {"D:\\Shared\\", '\\', "D:\\Shared\\\\Quorvane\\Velmora\\Config.ini"},
      {"", '\\', "\\Quorvane\\Velmora\\Config.ini"},
      {"/home/ann/.config", '/', "/home/ann/.config/Quorvane/Velmora/Config.ini"},
      {"", '/', "/Quorvane/Velmora/Config.ini"},
  };
  for (const auto& c : cases) {
    platform.configBaseFolder = c.folder;
    platform.pathSeparator = c.separator;
    EXPECT_EQ(GetCommonDocumentsPath(), c.folder);
    EXPECT_EQ(GetConfigFileName(), c.name);
  }
}

TEST(ConfigFileWrite, ReadOnlyFileRaisesAndKeepsWhatWasWritten) {
  NullPlatform platform;
  const std::string name = GetConfigFileName();
  TIniFile ini(name);
  ini.WriteInteger("ColorBox", "CB1", 14772545);
  const std::string written = platform.files.at(name);
  platform.readOnly.insert(name);
  try {
    ini.WriteInteger("ColorBox", "CB2", 255);
    ADD_FAILURE() << "no failure raised";
  } catch (const EVelmoraError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + name);
  }
  EXPECT_EQ(platform.files.at(name), written);
  EXPECT_EQ(ini.ReadInteger("ColorBox", "CB1", 0), 14772545);
}

TEST(ConfigFileWrite, BareSuffixWhenNoSharedFolderIsFound) {
  NullPlatform platform;
  platform.configBaseFolder.clear();
  TIniFile ini(GetConfigFileName());
  ini.WriteInteger("ColorBox", "CB1", 5);
  EXPECT_TRUE(platform.folders.count("\\Quorvane\\Velmora"));
  EXPECT_EQ(platform.files.at("\\Quorvane\\Velmora\\Config.ini"), "[ColorBox]\r\nCB1=5\r\n");
}

TEST(NullFolders, EveryMissingFolderIsMadeUnlessAFileIsInTheWay) {
  NullPlatform platform;
  EXPECT_TRUE(platform.CreateFolders("C:\\A\\B\\C"));
  EXPECT_EQ(platform.folders, (std::set<std::string>{"C:\\A", "C:\\A\\B", "C:\\A\\B\\C"}));
  platform.files["C:\\A\\F"] = "";
  EXPECT_FALSE(platform.CreateFolders("C:\\A\\F\\G"));
  EXPECT_FALSE(platform.folders.count("C:\\A\\F\\G"));
  EXPECT_FALSE(platform.WriteProfileValues("C:\\Missing\\x.ini", "S", {{"K", "1"}}));
  EXPECT_TRUE(platform.files.count("C:\\Missing\\x.ini") == 0);
}

// Damaged files: what can still be read is read, the rest is the default,
// and nothing is raised.
TEST(ConfigFileRead, DamagedFilesReadAsDefaultsWhereUnreadable) {
  NullPlatform platform;
  const std::string name = GetConfigFileName();
  std::mt19937 random(7);
  std::string binary(1 << 16, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  std::string huge(8 << 20, 'x');
  huge += "\r\n[ColorBox]\r\nCB2=" + std::string(100000, '9') + "\r\nCB3=$FF\r\n";
  struct Case {
    std::string label;
    std::string content;
    std::int32_t cb1, cb2, cb3;
  };
  const Case cases[] = {
      {"binary", binary, kWhite, kWhite, kWhite},
      {"binary, then the section", binary + "\r\n[ColorBox]\r\nCB1=1\r\n", 1, kWhite, kWhite},
      {"huge", huge, kWhite, kWhite, 255},
      {"cut in a value", "[ColorBox]\r\nCB1=147", 147, kWhite, kWhite},
      {"cut in a key", "[ColorBox]\r\nCB1=1\r\nCB", 1, kWhite, kWhite},
      {"cut in the section line", "[Color", kWhite, kWhite, kWhite},
      {"UTF-16 mark, odd length", "\xFF\xFE[\0C"s, kWhite, kWhite, kWhite},
      {"NUL bytes", "[ColorBox]\r\nCB1=1\0\x32\r\nC\0B2=3\r\n"s, 1, kWhite, kWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    platform.files[name] = c.content;
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadInteger("ColorBox", "CB1", kWhite), c.cb1);
    EXPECT_EQ(ini.ReadInteger("ColorBox", "CB2", kWhite), c.cb2);
    EXPECT_EQ(ini.ReadInteger("ColorBox", "CB3", kWhite), c.cb3);
  }
}

}  // namespace
}  // namespace velmora
