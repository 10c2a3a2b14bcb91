// The clipboard as other programs read it (xclip), and the configuration
// folder and files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/x11/X11TestSupport.h"

#include "core/Color.h"

namespace velmora {
namespace {

class Clipboard : public X11Test {};

// One key of a profile file, read or written through the section verbs.
std::string ReadValue(const std::string& file, const std::string& section,
                      const std::string& key) {
  return Platform().ReadProfileValues(file, section, {key}).front();
}
bool WriteValue(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) {
  return Platform().WriteProfileValues(file, section, {{key, value}});
}

// Texts cross the seam as UTF-8 and reach other programs as they are.
TEST_F(Clipboard, Utf8TextIsReadElsewhereAsItStands) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    ASSERT_EQ(Platform().SetClipboardText(&w, "caf\xc3\xa9 #12AB9F"), ClipboardResult::Ok);
    std::string read;
    EXPECT_EQ(RunPumping("xclip -o -selection clipboard", &read), 0);
    EXPECT_EQ(read, "caf\xc3\xa9 #12AB9F");
  });
}

class SystemColors : public X11Test {};

// The headings and the "Click" caption are drawn in the theme's text colour on
// white: it must be the theme's dark text, not the white a lone label reports.
TEST_F(SystemColors, WindowTextIsTheThemesDarkLabelColour) {
  const TColor text = platform->SystemColorValue(SystemColor::WindowText);
  EXPECT_LT(RedOf(text) + GreenOf(text) + BlueOf(text), 3u * 0x80) << std::hex << text;
}

// The colour is asked of the theme once, but a theme chosen later (here
// Adwaita's dark variant, with light text) is what the next paint gets.
TEST_F(SystemColors, WindowTextFollowsTheThemeChosenLater) {
  GtkSettings* settings = gtk_settings_get_default();
  gchar* theme = nullptr;
  gboolean dark = FALSE;
  g_object_get(settings, "gtk-theme-name", &theme, "gtk-application-prefer-dark-theme", &dark,
               nullptr);
  auto lightness = [] {
    const TColor text = Platform().SystemColorValue(SystemColor::WindowText);
    return RedOf(text) + GreenOf(text) + BlueOf(text);
  };
  g_object_set(settings, "gtk-theme-name", "Adwaita", "gtk-application-prefer-dark-theme", FALSE,
               nullptr);
  EXPECT_LT(lightness(), 3u * 0x80);
  g_object_set(settings, "gtk-application-prefer-dark-theme", TRUE, nullptr);
  EXPECT_GT(lightness(), 3u * 0x80);
  g_object_set(settings, "gtk-application-prefer-dark-theme", FALSE, nullptr);
  EXPECT_LT(lightness(), 3u * 0x80);
  g_object_set(settings, "gtk-theme-name", theme, "gtk-application-prefer-dark-theme", dark,
               nullptr);
  g_free(theme);
}

// Sets or unsets environment variables for one test, then restores them.
class Environment {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old != nullptr, old != nullptr ? old : ""});
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->set) {
        setenv(it->name.c_str(), it->value.c_str(), 1);
      } else {
        unsetenv(it->name.c_str());
      }
    }
  }

 private:
  struct Saved {
    std::string name;
    bool set;
    std::string value;
  };
  std::vector<Saved> saved_;
};

class Files : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    root = MakeTempFolder();
    ASSERT_FALSE(root.empty());
  }
  void TearDown() override {
    RemoveFolder(root);
    X11Test::TearDown();
  }
  std::string Content(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return in ? bytes.str() : "<none>";
  }
  std::string root;
};

TEST_F(Files, TheConfigFolderFollowsXdgConfigHomeThenHome) {
  const std::string home = getenv("HOME") != nullptr ? getenv("HOME") : "";
  struct Case {
    const char* xdg;   // nullptr: unset
    const char* home;  // nullptr: unset
    std::string expected;
  };
  const Case cases[] = {{"/xdg/config", "/home/u", "/xdg/config"},
                        {"", "/home/u", "/home/u/.config"},
                        {nullptr, "/home/u", "/home/u/.config"},
                        {"relative/dir", "/home/u", "/home/u/.config"}};
  for (const Case& c : cases) {
    Environment env;
    env.Set("XDG_CONFIG_HOME", c.xdg);
    env.Set("HOME", c.home);
    EXPECT_EQ(Platform().ConfigBaseFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
  }
  // Without HOME the user's home comes from the password database.
  Environment env;
  env.Set("XDG_CONFIG_HOME", nullptr);
  env.Set("HOME", nullptr);
  const std::string folder = Platform().ConfigBaseFolder();
  ASSERT_GE(folder.size(), 8u);
  EXPECT_EQ(folder.substr(folder.size() - 8), "/.config");
  EXPECT_EQ(Platform().PathSeparator(), '/');
}

TEST_F(Files, ProfileStringsGoToRealFilesAndBack) {
  const std::string folder = root + "/Quorvane/Velmora";
  ASSERT_TRUE(Platform().CreateFolders(folder));
  ASSERT_TRUE(Platform().CreateFolders(folder));  // again: it exists
  const std::string file = folder + "/Config.ini";
  EXPECT_EQ(ReadValue(file, "ColorBox", "CB1"), "");
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB1", "16777215"));
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB2", "255"));
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB1", "0"));
  EXPECT_EQ(Content(file), "[ColorBox]\r\nCB1=0\r\nCB2=255\r\n");
  EXPECT_EQ(ReadValue(file, "colorbox", "cb2"), "255");
  // Nothing of the temporary files is left beside it.
  ASSERT_EQ(std::system(("ls -A '" + folder + "' > '" + root + "/ls'").c_str()), 0);
  EXPECT_EQ(Content(root + "/ls"), "Config.ini\n");
}

TEST_F(Files, AFileChangedByAnotherProgramIsReadAnew) {
  const std::string file = root + "/Config.ini";
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB1", "111"));
  EXPECT_EQ(ReadValue(file, "ColorBox", "CB1"), "111");
  // The same size in place, then a new file under the same name, then none.
  std::ofstream(file, std::ios::binary | std::ios::in) << "[ColorBox]\r\nCB1=222\r\n";
  EXPECT_EQ(ReadValue(file, "ColorBox", "CB1"), "222");
  ASSERT_EQ(rename(file.c_str(), (file + ".old").c_str()), 0);
  std::ofstream(file, std::ios::binary) << "[ColorBox]\r\nCB1=3\r\nCB2=4\r\n";
  EXPECT_EQ(ReadValue(file, "ColorBox", "CB2"), "4");
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB2", "5"));
  EXPECT_EQ(Content(file), "[ColorBox]\r\nCB1=3\r\nCB2=5\r\n");
  ASSERT_EQ(unlink(file.c_str()), 0);
  EXPECT_EQ(ReadValue(file, "ColorBox", "CB1"), "");
}

TEST_F(Files, AFailedWriteReportsFalseAndLeavesTheFileAsItWas) {
  const std::string folder = root + "/ro";
  ASSERT_TRUE(Platform().CreateFolders(folder));
  const std::string file = folder + "/Config.ini";
  ASSERT_TRUE(WriteValue(file, "ColorBox", "CB1", "1"));
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  if (access(folder.c_str(), W_OK) == 0) GTEST_SKIP() << "running as root: folders stay writable";
  EXPECT_FALSE(WriteValue(file, "ColorBox", "CB1", "2"));
  EXPECT_EQ(Content(file), "[ColorBox]\r\nCB1=1\r\n");
  // A write that changes nothing needs no write.
  EXPECT_TRUE(WriteValue(file, "ColorBox", "CB1", "1"));
}

TEST_F(Files, FoldersAndFilesInTheWay) {
  ASSERT_TRUE(Platform().CreateFolders(root + "/a/b/c"));
  std::ofstream(root + "/file") << "x";
  struct Case {
    std::string path;
    bool created;
  };
  const Case cases[] = {{root + "/file", false},
                        {root + "/file/sub", false},
                        {root + "/a/b/c/d/e", true},
                        {"", false}};
  for (const Case& c : cases) EXPECT_EQ(Platform().CreateFolders(c.path), c.created) << c.path;
  // A folder where the file should be: no write, no read.
  ASSERT_TRUE(Platform().CreateFolders(root + "/dir.ini"));
  EXPECT_FALSE(WriteValue(root + "/dir.ini", "S", "K", "V"));
  EXPECT_EQ(ReadValue(root + "/dir.ini", "S", "K"), "");
  // A file in a missing folder is not written.
  EXPECT_FALSE(WriteValue(root + "/missing/Config.ini", "S", "K", "V"));
}

}  // namespace
}  // namespace velmora
