// The portable profile engine against the platform's own profile functions:
// the same operations on the same file must leave the same bytes and read the
// same values.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/ProfileFile.h"
#include "platform/win32/Win32Platform.h"

namespace velmora {
namespace {

using namespace std::string_literals;

struct Step {
  bool write;
  std::string section;
  std::string key;
  std::string value;  // written text (writes only)
};

Step Read(std::string section, std::string key) { return {false, section, key, ""}; }
Step Write(std::string section, std::string key, std::string value) {
  return {true, section, key, value};
}

// The engine speaks UTF-8, the "A" functions the ANSI code page: each step's
// texts go to the engine as UTF-8, its reads come back in the code page.
std::string Utf8FromAnsi(const std::string& ansi) {
  const std::string text = ansi.substr(0, ansi.find('\0'));
  std::wstring wide(text.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n : 0);
  return Utf8(wide.c_str(), static_cast<int>(wide.size()));
}

// A folder of its own for the files of one test run, removed afterwards.
class ProfileDifferential : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "velmora-profile-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  static std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Runs the steps on a fresh file (absent when `exists` is false) and on
  // the engine, and compares every read, every result and the final bytes.
  void Check(const std::string& label, bool exists, const std::string& content,
             const std::vector<Step>& steps) {
    SCOPED_TRACE(label);
    const std::string file = folder_ + "\\case" + std::to_string(files_.size()) + ".ini";
    files_.push_back(file);
    if (exists) std::ofstream(file, std::ios::binary) << content;
    bool modelExists = exists;
    std::string modelBytes = content;
    for (const Step& step : steps) {
      SCOPED_TRACE("[" + step.section + "] " + step.key + (step.write ? "=" + step.value : ""));
      // Every call reads the file afresh, as the platform's functions do.
      ProfileFile model = modelExists ? ProfileFile(modelBytes) : ProfileFile();
      if (step.write) {
        const BOOL written = WritePrivateProfileStringA(step.section.c_str(), step.key.c_str(),
                                                        step.value.c_str(), file.c_str());
        EXPECT_TRUE(written);
        if (model.WriteString(Utf8FromAnsi(step.section), Utf8FromAnsi(step.key),
                              Utf8FromAnsi(step.value)) ||
            !modelExists) {
          modelBytes = model.Bytes();
          modelExists = true;
        }
      } else {
        char buffer[kProfileBufferChars];
        const DWORD n = GetPrivateProfileStringA(step.section.c_str(), step.key.c_str(), "",
                                                 buffer, sizeof buffer, file.c_str());
        EXPECT_EQ(Ansi(model.ReadString(Utf8FromAnsi(step.section), Utf8FromAnsi(step.key))),
                  std::string(buffer, n));
      }
    }
    const DWORD attributes = GetFileAttributesA(file.c_str());
    ASSERT_EQ(attributes != INVALID_FILE_ATTRIBUTES, modelExists);
    if (modelExists) {
      EXPECT_EQ(modelBytes, Slurp(file));
    }
  }

 private:
  std::string folder_;
  std::vector<std::string> files_;
};

const std::vector<Step> kColorBoxPass = {
    Write("ColorBox", "CB1", "14772545"), Write("ColorBox", "CB2", "16777215"),
    Write("ColorBox", "CB3", "16777215"), Write("ColorBox", "CB4", "16777215"),
    Write("ColorBox", "CB5", "16777215"), Write("ColorBox", "CB6", "16777215"),
    Read("ColorBox", "CB1"),              Read("colorbox", "cb6")};

TEST_F(ProfileDifferential, ColorBoxPassOnNewAndExistingFiles) {
  Check("no file", false, "", kColorBoxPass);
  Check("empty file", true, "", kColorBoxPass);
  Check("other sections and comments", true,
        "; written by hand\r\n[Window]\r\nLeft=10\r\n\r\n[ColorBox]\r\nCB3=255\r\nNote=x\r\n"
        "[Last]\r\nA=1\r\n",
        kColorBoxPass);
  Check("LF line ends, nothing changes", true, "[ColorBox]\nCB1=14772545\n",
        {Write("ColorBox", "CB1", "14772545"), Read("ColorBox", "CB1")});
  Check("CR line ends", true, "[ColorBox]\rCB1=1\r\rCB2=2\r", kColorBoxPass);
}

TEST_F(ProfileDifferential, LineSyntax) {
  const std::vector<Step> reads = {Read("S", "K"),  Read("S", "k"),   Read(" s ", " K "),
                                   Read("S", "Q"),  Read("S", "E"),   Read("S", ";c"),
                                   Read("S", ""),   Read("S", " "),   Read("", "K"),
                                   Read("T", "K"),  Read("S ]x", "K"), Read("[T", "K"),
                                   Read("S", "N"),  Read("S", "[T")};
  const char* const files[] = {
      "K=top\r\n[S]\r\nK=1\r\n",
      "[S]\r\n  K  =  two words  \r\n",
      "[ S ]\r\nK=\"  quoted  \"\r\nQ='single'\r\nE=\"\r\nN=\"mixed'\r\n",
      "[S]\r\nK=1\r\nK=2\r\n[S]\r\nK=3\r\nQ=4\r\n",
      "[S]\r\n;c=comment\r\nnoequals\r\n=a\r\n=b\r\nK==x=\r\n",
      "[S ]x]\r\nK=1\r\n[T\r\nK=2\r\n[]\r\nK=3\r\n",
      "[S]\r\n\tK\t=\t5\x1A\r\n\x1A\r\n \t \r\n",
      "[S]\r\nK=\"\"\r\nQ=''\r\nE='\r\n",
      "[S]\nK=1\n\n\n[T]\r\n\r\nK=2",
      "[\xC9t\xE9]\r\nK=\xE9\r\n[S]\r\nK=\x80\x81\x9F\xA0\xFF\r\n",
  };
  for (const char* f : files) {
    std::string content(f);
    Check(content, true, content, reads);
  }
  // Files with NUL bytes, by length.
  const std::string withNul = "[S]\r\nK=a\0b\r\nQ\0R=3\r\n\0=4\r\n[S\0T]\r\nN=1\r\n"s;
  Check("NUL bytes", true, withNul, reads);
  Check("NUL bytes, then a write", true, withNul, {Write("S", "Z", "1")});
}

TEST_F(ProfileDifferential, WritesPlaceKeysAndSections) {
  const std::string base = "; top\r\n[A]\r\nK=1\r\n[B]\r\nK=2\r\n[A]\r\nK=3\r\n";
  Check("replace in the first of two sections", true, base, {Write("a", "k", "9")});
  Check("add to the first of two sections", true, base, {Write("A", "New", "9")});
  Check("new section at the end", true, base, {Write("C", "K", "1")});
  Check("blanks around names and values", true, base,
        {Write("  C  ", "  Key  ", "  val  "), Write(" B ", " K ", " 7 "), Read("C", "Key"),
         Read("B", "K")});
  Check("the section above all sections", true, "K=1\r\n[A]\r\nK=2\r\n",
        {Write("", "K", "5"), Write("", "L", "6"), Read("", "K")});
  Check("quotes written as they stand", true, "",
        {Write("S", "K", "\"q\""), Read("S", "K"), Write("S", "K", "'q"), Read("S", "K")});
  Check("same value on a key without '='", true, "[S]\r\nK\r\n", {Write("S", "K", "")});
  Check("empty value", true, "[S]\r\nK=1\r\n", {Write("S", "K", ""), Read("S", "K")});
  Check("a value with a line break", true, "",
        {Write("S", "K", "1\r\n[T]\r\nK=2"), Read("S", "K"), Read("T", "K")});
  Check("high bytes", true, "", {Write("\xC9t\xE9", "K", "\x80\xFF"), Read("\xC9t\xE9", "K")});
  // Rewritten files that read differently afterwards.
  Check("a name cut at a NUL", true, "[S]\r\nK\v\0=1\r\n"s,
        {Write("S", "K", "2"), Read("S", "K")});
  Check("a first line that looks like a mark", true, " \xFF\xFE=1\r\n[S]\r\n",
        {Write("S", "K", "2"), Read("S", "K")});
}

TEST_F(ProfileDifferential, LongValuesAreCutToTheBuffer) {
  for (std::size_t length : {2045u, 2046u, 2047u, 2048u, 2049u, 5000u}) {
    const std::string plain(length, 'p');
    const std::string quoted = "\"" + std::string(length, 'q') + "\"";
    Check("length " + std::to_string(length), true,
          "[S]\r\nP=" + plain + "\r\nQ=" + quoted + "\r\n",
          {Read("S", "P"), Read("S", "Q"), Write("S", "W", plain), Read("S", "W")});
  }
}

TEST_F(ProfileDifferential, OtherEncodings) {
  Check("UTF-8 with a mark", true, "\xEF\xBB\xBF[S]\r\nK=\xC3\xA9\r\n",
        {Read("S", "K"), Write("S", "L", "\xE9")});
  Check("UTF-8, broken sequences", true,
        "\xEF\xBB\xBF[S]\r\nA=\xC3\r\nB=\xE0\x80\x80\r\nC=\xED\xA0\x80\r\nD=\xF4\x90\x80\x80\r\n"
        "E=\xC0\xAF\r\nF=\xE2\x82\r\nG=\xF0\x9F\x98\x80\r\n",
        {Write("S", "Z", "1")});
  Check("UTF-8 cut short", true, "\xEF\xBB\xBF[S]\r\nK=\xE2\x82", {Write("S", "Z", "1")});
  Check("UTF-8 cut short after the lead byte", true, "\xEF\xBB\xBF[S]\r\nK=\xF0",
        {Write("S", "Z", "1")});
  Check("UTF-8 cut short before a letter", true, "\xEF\xBB\xBF[S]\r\nK=\xF0\x9F" "A",
        {Write("S", "Z", "1")});
  const std::string utf16le = "\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n\0"s;
  Check("UTF-16 little-endian", true, utf16le, {Read("S", "K"), Write("S", "L", "2")});
  const std::string utf16be = "\xFE\xFF\0[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n"s;
  Check("UTF-16 big-endian", true, utf16be, {Read("S", "K"), Write("S", "L", "2")});
}

// Files of random bytes and lines built from the characters the syntax
// cares about, each read and written a few times.
TEST_F(ProfileDifferential, RandomFiles) {
  std::mt19937 random(20240611);
  const std::vector<std::string> pieces = {
      "[", "]", "=", ";", " ", "\t", "\r", "\n", "\r\n", "\"", "'", std::string(1, '\0'),
      "\x1A", "S", "s", "K", "k", "1", "\xE9", "\xC9", "[S]", "K=", "\r\n[S]\r\n"};
  const std::vector<std::string> names = {"S", "s", " S", "K", "k", "", "[S]", "\xE9", "K=1", ";"};
  for (int n = 0; n < 500; ++n) {
    std::string content;
    const int length = std::uniform_int_distribution<int>(0, 40)(random);
    if (n % 5 == 4) {
      for (int i = 0; i < length * 4; ++i) content.push_back(static_cast<char>(random()));
    } else {
      for (int i = 0; i < length; ++i) content += pieces[random() % pieces.size()];
    }
    // A BOM-less file that starts like one would be read as Unicode.
    if (content.size() >= 2 && ((content[0] == '\xFF' && content[1] == '\xFE') ||
                                (content[0] == '\xFE' && content[1] == '\xFF'))) {
      content[0] = 'x';
    }
    std::vector<Step> steps;
    for (int i = 0; i < 4; ++i) {
      const std::string& section = names[random() % names.size()];
      const std::string& key = names[random() % names.size()];
      if (random() % 3 == 0) {
        steps.push_back(Write(section, key, pieces[random() % pieces.size()] + "v"));
      } else {
        steps.push_back(Read(section, key));
      }
    }
    Check("random file " + std::to_string(n), true, content, steps);
  }
}

}  // namespace
}  // namespace velmora
