#include <gtest/gtest.h>

#include <string>

#include "config/ColorBoxStore.h"
#include "config/IniFileUtils.h"
#include "config/OptionsStore.h"
#include "core/Errors.h"
#include "platform/null/NullPlatform.h"

namespace velmora {
namespace {

TEST(Options, DefaultsWithoutAFileOrSection) {
  NullPlatform platform;
  EXPECT_EQ(LoadOptions(), TOptions{});
  platform.files[GetConfigFileName()] = "[ColorBox]\r\nCB1=255\r\n";
  const TOptions options = LoadOptions();
  EXPECT_EQ(options, TOptions{});
  EXPECT_EQ(options.ExtraFormat, ColorFormat::HexLower);
  EXPECT_FALSE(options.Magnifier);
  EXPECT_EQ(options.Zoom, 8);
  EXPECT_FALSE(options.HotKeyAltZ);
  EXPECT_FALSE(options.HotKeyAltC);
}

TEST(Options, StoredOptionsReadBackBesideTheColorBox) {
  NullPlatform platform;
  const std::string name = GetConfigFileName();
  platform.files[name] = "[ColorBox]\r\nCB1=255\r\n";
  TOptions options;
  options.ExtraFormat = ColorFormat::Delphi;
  options.Magnifier = true;
  options.Zoom = 16;
  options.HotKeyAltZ = true;
  options.HotKeyAltC = true;
  options.Sample = 3;
  options.ColorName = true;
  StoreOptions(options);
  EXPECT_EQ(platform.files.at(name),
            "[ColorBox]\r\nCB1=255\r\n[Options]\r\nExtraFormat=delphi\r\nMagnifier=1\r\nZoom=16\r\n"
            "HotKeyAltZ=1\r\nHotKeyAltC=1\r\nSample=3\r\nColorName=1\r\n");
  EXPECT_EQ(LoadOptions(), options);
  EXPECT_EQ(LoadColorBox(1)[0], 255);
}

TEST(Options, StoringMakesTheFoldersAndRaisesWhenTheFileCannotBeWritten) {
  NullPlatform platform;
  const std::string name = GetConfigFileName();
  StoreOptions(TOptions{});
  EXPECT_TRUE(platform.files.count(name));
  platform.readOnly.insert(name);
  try {
    StoreOptions(TOptions{});  // nothing changes: the file is not written
    TOptions changed;
    changed.Magnifier = true;
    StoreOptions(changed);
    ADD_FAILURE() << "no failure raised";
  } catch (const EVelmoraError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + name);
  }
}

// Each bad value falls back to its own default; the others still count.
TEST(Options, DamagedOrUnknownValuesFallBackToTheDefault) {
  NullPlatform platform;
  const std::string name = GetConfigFileName();
  struct Case {
    const char* section;
    ColorFormat format;
    bool magnifier;
    int zoom;
    bool altZ, altC;
    int sample;
  };
  const Case cases[] = {
      {"ExtraFormat=HSV\r\nMagnifier=1\r\nZoom=4\r\nHotKeyAltZ=0\r\nHotKeyAltC=1\r\nSample=5",
       ColorFormat::Hsv, true, 4, false, true, 5},
      {"ExtraFormat=lch\r\nMagnifier=yes\r\nZoom=1\r\nHotKeyAltZ=2\r\nHotKeyAltC=-1\r\nSample=4",
       ColorFormat::HexLower, false, 8, false, false, 1},
      {"ExtraFormat=\r\nMagnifier=\r\nZoom=17\r\nHotKeyAltZ=\r\nHotKeyAltC=1x\r\nSample=7",
       ColorFormat::HexLower, false, 8, false, false, 1},
      {"ExtraFormat=cmyk\r\nZoom=$10\r\nHotKeyAltZ=\"1\"\r\nSample= 3 ", ColorFormat::Cmyk, false,
       16, true, false, 3},
      {"Zoom=2\r\nMagnifier=1.0\r\nExtraFormat=\xE9\r\nSample=0", ColorFormat::HexLower, false, 2,
       false, false, 1},
      {"Zoom=99999999999999\r\nExtraFormat=OKLCH", ColorFormat::Oklch, false, 8, false, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    platform.files[name] = std::string("[Options]\r\n") + c.section + "\r\n";
    const TOptions options = LoadOptions();
    EXPECT_EQ(options.ExtraFormat, c.format);
    EXPECT_EQ(options.Magnifier, c.magnifier);
    EXPECT_EQ(options.Zoom, c.zoom);
    EXPECT_EQ(options.Sample, c.sample);
    EXPECT_EQ(options.HotKeyAltZ, c.altZ);
    EXPECT_EQ(options.HotKeyAltC, c.altC);
  }
  EXPECT_TRUE(platform.errorBoxes.empty());
}

}  // namespace
}  // namespace velmora
