#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "platform/null/NullPlatform.h"

namespace velmora {
namespace {

constexpr WindowHandle kWindow = 0x1000;

class CountingListener : public IHotKeyListener {
 public:
  void SaveColorToColorBox() override { ++calls; }
  int calls = 0;
};

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.SetListener(&listener);
    manager.RegisterHotKeys(kWindow);
  }
  // Puts `color` under the pointer and takes one sample.
  void SampleOver(TColor color) {
    platform.screenPixels[{platform.pointer.x, platform.pointer.y}] = color;
    manager.SampleColor();
  }

  NullPlatform platform;
  CountingListener listener;
  TVelmoraManager manager{kWindow};
};

TEST_F(ManagerTest, HotKeysCopyTheLastSampleAndCallTheListener) {
  platform.pointer = {10, 20};
  SampleOver(0x00E16941);
  platform.clipboardHasOtherFormat = true;

  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#4169E1");
  EXPECT_FALSE(platform.clipboardHasOtherFormat);
  EXPECT_FALSE(platform.clipboardOpen);

  manager.HandleHotKey(manager.HotKeyDec());
  EXPECT_EQ(platform.clipboardText, "65, 105, 225");

  manager.HandleHotKey(manager.HotKeySave());
  EXPECT_EQ(listener.calls, 1);
}

TEST_F(ManagerTest, HotKeyNeverTakesANewSample) {
  SampleOver(0x000000FF);
  platform.screenPixels.clear();  // the screen changes; no tick follows
  const int taken = platform.screenDCsTaken;
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#FF0000");
  EXPECT_EQ(platform.screenDCsTaken, taken);
}

TEST_F(ManagerTest, HexBeforeAnySampleCopiesBlack) {
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#000000");
}

TEST_F(ManagerTest, UnknownIdentifierOrMissingListenerDoesNothing) {
  platform.clipboardText = "untouched";
  const int unknown = manager.HotKeySave() - 1;
  manager.HandleHotKey(unknown);
  manager.HandleHotKey(0);
  EXPECT_EQ(platform.clipboardText, "untouched");
  EXPECT_EQ(platform.clipboardOpens, 0);
  EXPECT_EQ(listener.calls, 0);

  manager.SetListener(nullptr);
  manager.HandleHotKey(manager.HotKeySave());
  EXPECT_EQ(listener.calls, 0);
}

TEST_F(ManagerTest, IdentifiersComeFromOneAtomAndAreAllReleased) {
  ASSERT_EQ(platform.atomNames.count("VelmoraHotKey"), 1u);
  const std::uint16_t atom = platform.atomNames["VelmoraHotKey"];
  EXPECT_EQ(platform.atomRefs[atom], 3);
  EXPECT_EQ(manager.HotKeyDec(), atom - 0xC000);
  EXPECT_EQ(manager.HotKeyHex(), atom - 0xC001);
  EXPECT_EQ(manager.HotKeySave(), atom - 0xC002);

  ASSERT_EQ(platform.hotKeys.size(), 3u);
  EXPECT_EQ(platform.hotKeys[manager.HotKeyDec()].vk, 0x44u);
  EXPECT_EQ(platform.hotKeys[manager.HotKeyHex()].vk, 0x48u);
  EXPECT_EQ(platform.hotKeys[manager.HotKeySave()].vk, 0x53u);
  for (const auto& entry : platform.hotKeys) {
    EXPECT_EQ(entry.second.modifiers, 1u);
    EXPECT_EQ(entry.second.window, kWindow);
  }

  manager.UnregisterHotKeys(kWindow);
  EXPECT_TRUE(platform.hotKeys.empty());
  EXPECT_EQ(platform.atomRefs[atom], 0);
}

TEST_F(ManagerTest, SecondCopyGetsTheSameIdentifiersButNoHotKeys) {
  TVelmoraManager second(0x2000);
  second.RegisterHotKeys(0x2000);
  EXPECT_EQ(second.HotKeyHex(), manager.HotKeyHex());
  for (const auto& entry : platform.hotKeys) EXPECT_EQ(entry.second.window, kWindow);
  second.UnregisterHotKeys(0x2000);
  EXPECT_EQ(platform.hotKeys.size(), 3u);  // the first copy's keys are untouched
}

TEST_F(ManagerTest, UnreadablePointerKeepsTheColourAndRaisesTheSystemError) {
  SampleOver(0x00123456);
  platform.pointerReadable = false;
  platform.pointerErrorCode = 5;
  platform.errorDescriptions[5] = "Access is denied. \r\n";
  try {
    manager.SampleColor();
    FAIL() << "no failure raised";
  } catch (const EOSError& e) {
    EXPECT_STREQ(e.what(), "System Error.  Code: 5.\r\nAccess is denied");
  }
  EXPECT_EQ(manager.Color(), 0x00123456);
  EXPECT_EQ(platform.screenDCsOut, 0);
}

TEST_F(ManagerTest, UnreadablePixelIsStoredAsTheInvalidMark) {
  platform.screenDCAvailable = false;
  EXPECT_EQ(manager.SampleColor(), kInvalidColor);
  EXPECT_EQ(manager.GetHexText(), "#FFFFFF");
  platform.screenDCAvailable = true;
  platform.pointer = {-5, 3};  // off the screen
  EXPECT_EQ(manager.SampleColor(), kInvalidColor);
  EXPECT_EQ(platform.screenDCsOut, 0);
}

TEST_F(ManagerTest, ClipboardHeldBrieflyIsRetried) {
  platform.clipboardBusyAttempts = kClipboardOpenAttempts - 1;
  manager.CopyToClipboard("#ABCDEF");
  EXPECT_EQ(platform.clipboardText, "#ABCDEF");
  EXPECT_LE(platform.sleptMs, 60);
}

TEST_F(ManagerTest, ClipboardHeldElsewhereRaisesAndKeepsTheOldContent) {
  platform.clipboardText = "old";
  platform.clipboardBusyAttempts = 1000;
  try {
    manager.CopyToClipboard("#ABCDEF");
    FAIL() << "no failure raised";
  } catch (const EVelmoraError& e) {
    EXPECT_STREQ(e.what(), "Cannot open clipboard");
  }
  EXPECT_EQ(platform.clipboardText, "old");
  EXPECT_FALSE(platform.clipboardOpen);
}

TEST_F(ManagerTest, RefusedClipboardDataIsReportedAndTheClipboardClosed) {
  platform.clipboardRefusesData = true;
  EXPECT_THROW(manager.CopyToClipboard("#ABCDEF"), EVelmoraError);
  EXPECT_FALSE(platform.clipboardOpen);
}

TEST_F(ManagerTest, LinksAskTheShell) {
  manager.OpenHomePage();
  manager.OpenFeedbackMail();
  ASSERT_EQ(platform.shellRequests.size(), 2u);
  EXPECT_EQ(platform.shellRequests[0], kHomePageAddress);
  EXPECT_EQ(platform.shellRequests[1].rfind("mailto:", 0), 0u);
}

}  // namespace
}  // namespace velmora
