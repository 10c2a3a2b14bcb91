// The profile engine's rules, as the platform's profile functions follow
// them (tests/wine/test_profile_engine.cpp compares the two under Wine).
#include <gtest/gtest.h>

#include <string>

#include "platform/ProfileFile.h"

namespace velmora {
namespace {

using namespace std::string_literals;

TEST(ProfileFileRead, TableOfFiles) {
  struct Case {
    std::string content;
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"K=top\r\n[S]\r\nK=1\r\n", "", "K", "top"},
      {"K=top\r\n[S]\r\nK=1\r\n", "S", "K", "1"},
      {"[ S ]\r\n  k  =  two words  \r\n", " s ", "K", "two words"},
      {"[S]\r\nK=\"  q  \"\r\n", "S", "K", "  q  "},
      {"[S]\r\nK='q'\r\n", "S", "K", "q"},
      {"[S]\r\nK='q\"\r\n", "S", "K", "'q\""},
      {"[S]\r\nK=\"\r\n", "S", "K", "\""},
      {"[S]\r\nK=1\r\nK=2\r\n[S]\r\nQ=4\r\n", "S", "K", "1"},
      {"[S]\r\nK=1\r\nK=2\r\n[S]\r\nQ=4\r\n", "S", "Q", ""},
      {"[S]\rK=1\r\rQ=2", "S", "Q", "2"},
      {"[S]\r\nnoequals\r\n", "S", "noequals", ""},
      {"[S]\r\n;c=d\r\n", "S", ";c", "d"},
      {"[S]\r\n\tK\t=\t5\x1A\r\n", "S", "K", "5"},
      {"[S]\r\nK=\xA0" "5\r\n", "S", "K", "\xC2\xA0" "5"},
      {"[S]\r\nK=a\0b\r\n"s, "S", "K", "a"},
      {"[\xC9]\r\nK=1\r\n", "\xC3\xA9", "K", ""},
      {"[T\r\nK=2\r\n", "T", "K", ""},
      {"[S ]x]\r\nK=3\r\n", "S ]x", "K", "3"},
      {"[S]\r\nK=" + std::string(3000, 'x') + "\r\n", "S", "K", std::string(2047, 'x')},
      {"[S]\r\nK=\"" + std::string(2046, 'x') + "\"\r\n", "S", "K", std::string(2046, 'x')},
      {"[S]\r\nK=\"" + std::string(2047, 'x') + "\"\r\n", "S", "K", std::string(2046, 'x')},
      {"\xEF\xBB\xBF[S]\r\nK=\xC3\xA9\r\n", "S", "K", "\xC3\xA9"},
      {"\xFF\xFE[\0S\0]\0\n\0K\0=\0\xE9\0"s, "S", "K", "\xC3\xA9"},
      // A character code page 1252 lacks is read as it stands.
      {"\xFF\xFE[\0S\0]\0\n\0K\0=\0\x3B\x04"s, "S", "K", "\xD0\xBB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 40));
    EXPECT_EQ(ProfileFile(c.content).ReadString(c.section, c.key), c.expected);
  }
}

TEST(ProfileFileWrite, TableOfFiles) {
  struct Case {
    std::string content;
    const char* section;
    const char* key;
    const char* value;
    bool changes;
    std::string expected;
  };
  const Case cases[] = {
      {"", "ColorBox", "CB1", "14772545", true, "[ColorBox]\r\nCB1=14772545\r\n"},
      {"[S]\nK=v\n", "s", "k", "v", false, "[S]\nK=v\n"},
      {"[S]\nK=v\n\n[T]\n", "S", "K", "w", true, "[S]\r\nK=w\r\n[T]\r\n"},
      {"; top\r\n[A]\r\nK=1\r\n[B]\r\nK=2\r\n[A]\r\nK=3\r\n", "a", "New", "9", true,
       "; top\r\n[A]\r\nK=1\r\nNew=9\r\n[B]\r\nK=2\r\n[A]\r\nK=3\r\n"},
      {"[A]\r\nK=1\r\n", "  C  ", "  Key  ", "  val  ", true,
       "[A]\r\nK=1\r\n[C  ]\r\nKey  =val  \r\n"},
      {"[S]\r\n=a\r\n=b\r\nK\r\n", "S", "K", "", true, "[S]\r\n=a\r\nK=\r\n"},
      {"K=1\r\n[S]\r\n", "", "L", "2", true, "K=1\r\nL=2\r\n[S]\r\n"},
      {"\xEF\xBB\xBF[S]\r\n", "S", "K", "\xC3\xA9", true, "\xEF\xBB\xBF[S]\r\nK=\xC3\xA9\r\n"},
      // An 8-bit file takes code page 1252, and '?' for what it lacks.
      {"[S]\r\n", "S", "K", "\xC3\xA9\xD0\xBB", true, "[S]\r\nK=\xE9?\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 40));
    ProfileFile file(c.content);
    EXPECT_EQ(file.WriteString(c.section, c.key, c.value), c.changes);
    EXPECT_EQ(c.changes ? file.Bytes() : c.content, c.expected);
  }
}

}  // namespace
}  // namespace velmora
