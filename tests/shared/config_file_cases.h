// Tests of Config.ini through TIniFile that run on every platform: on the
// null platform in the unit tests and on the real profile functions under
// Wine. Each file that includes this instantiates the suite with a file
// system `Files`:
//
//   Files files;                     // makes the platform current
//   std::string Root();              // an existing, empty folder
//   void Put(file, bytes);           // writes a file as it stands
//   bool Get(file, bytes&);          // false when there is no such file
//   void MakeFolder(path);           // one folder; its parent exists
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "config/IniFileUtils.h"
#include "core/Color.h"
#include "core/Errors.h"

namespace velmora {

template <typename Files>
class ConfigFile : public ::testing::Test {
 protected:
  // The configuration file where Velmora puts it below Root().
  std::string ConfigName() { return files.Root() + "\\Quorvane\\Velmora\\Config.ini"; }
  void MakeConfigFolder() {
    files.MakeFolder(files.Root() + "\\Quorvane");
    files.MakeFolder(files.Root() + "\\Quorvane\\Velmora");
  }
  // The bytes of a file, or "<none>".
  std::string Bytes(const std::string& file) {
    std::string bytes;
    return files.Get(file, bytes) ? bytes : "<none>";
  }
  void WriteColorBox(TIniFile& ini, const std::int32_t (&slots)[6]) {
    for (int i = 0; i < 6; ++i) {
      ini.WriteInteger(kColorBoxSection, "CB" + std::to_string(i + 1), slots[i]);
    }
  }

  Files files;
};

TYPED_TEST_SUITE_P(ConfigFile);

TYPED_TEST_P(ConfigFile, ValuesReadAsIntegersOrTheDefault) {
  struct Case {
    const char* line;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"0x0000FF", 255},
      {"$FF", 255},
      {"12345678901", kWhite},
      {"abc", kWhite},
      {"12abc", kWhite},
      {"", kWhite},
      {"  14772545", 14772545},
      {"\"  14772545\"", 14772545},
      {"'-16'", -16},
      {"-$10", -16},
      {"+0Xff", 255},
      {"$FFFFFFFF", -1},
      {"-2147483648", INT32_MIN},
      {"2147483648", kWhite},
      {"\"12\"3\"", kWhite},
  };
  std::string content = "[ColorBox]\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    content += "K" + std::to_string(i) + "=" + cases[i].line + "\r\n";
  }
  this->MakeConfigFolder();
  this->files.Put(this->ConfigName(), content);

  TIniFile ini(this->ConfigName());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].line);
    EXPECT_EQ(ini.ReadInteger("ColorBox", "K" + std::to_string(i), kWhite),
              cases[i].expected);
  }
}

TYPED_TEST_P(ConfigFile, NoFileAndNoFolderReadAsDefaults) {
  TIniFile ini(this->ConfigName());
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(ini.ReadInteger("ColorBox", "CB" + std::to_string(i), kWhite),
              kWhite);
  }
  EXPECT_EQ(this->Bytes(this->ConfigName()), "<none>");
}

TYPED_TEST_P(ConfigFile, ColorBoxPassMakesTheFolderAndSevenLines) {
  {
    TIniFile ini(this->ConfigName());
    this->WriteColorBox(ini, {14772545, kWhite, kWhite, kWhite,
                              kWhite, kWhite});
  }
  EXPECT_EQ(this->Bytes(this->ConfigName()),
            "[ColorBox]\r\nCB1=14772545\r\nCB2=16777215\r\nCB3=16777215\r\n"
            "CB4=16777215\r\nCB5=16777215\r\nCB6=16777215\r\n");
  TIniFile ini(this->ConfigName());
  EXPECT_EQ(ini.ReadInteger("ColorBox", "CB1", kWhite), 14772545);
  EXPECT_EQ(ini.ReadInteger("ColorBox", "CB6", 0), kWhite);
}

TYPED_TEST_P(ConfigFile, WritingKeepsOtherSectionsAndReplacesOnlyItsKeys) {
  this->MakeConfigFolder();
  this->files.Put(this->ConfigName(),
                  "; kept\r\n[Window]\r\nLeft=10\r\n[ColorBox]\r\nCB4=1\r\nNote=x\r\n"
                  "[Last]\r\nCB1=7\r\n");
  {
    TIniFile ini(this->ConfigName());
    this->WriteColorBox(ini, {-1, 0, INT32_MIN, INT32_MAX, 255, 14772545});
  }
  EXPECT_EQ(this->Bytes(this->ConfigName()),
            "; kept\r\n[Window]\r\nLeft=10\r\n[ColorBox]\r\nCB4=2147483647\r\nNote=x\r\n"
            "CB1=-1\r\nCB2=0\r\nCB3=-2147483648\r\nCB5=255\r\nCB6=14772545\r\n"
            "[Last]\r\nCB1=7\r\n");
  TIniFile ini(this->ConfigName());
  EXPECT_EQ(ini.ReadInteger("ColorBox", "CB3", 0), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("ColorBox", "CB1", 0), -1);
}

TYPED_TEST_P(ConfigFile, WriteFailureNamesTheFullFile) {
  // A folder stands where the file should be.
  this->MakeConfigFolder();
  this->files.MakeFolder(this->ConfigName());
  TIniFile blocked(this->ConfigName());
  try {
    blocked.WriteInteger("ColorBox", "CB1", 1);
    ADD_FAILURE() << "no failure raised";
  } catch (const EVelmoraError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + this->ConfigName());
  }

  // A file stands where a folder should be made.
  const std::string inTheWay = this->files.Root() + "\\Busy";
  this->files.Put(inTheWay, "");
  TIniFile below(inTheWay + "\\Velmora\\Config.ini");
  EXPECT_THROW(below.WriteInteger("ColorBox", "CB1", 1), EVelmoraError);
  EXPECT_EQ(this->Bytes(inTheWay), "");
}

REGISTER_TYPED_TEST_SUITE_P(ConfigFile, ValuesReadAsIntegersOrTheDefault,
                            NoFileAndNoFolderReadAsDefaults,
                            ColorBoxPassMakesTheFolderAndSevenLines,
                            WritingKeepsOtherSectionsAndReplacesOnlyItsKeys,
                            WriteFailureNamesTheFullFile);

}  // namespace velmora
