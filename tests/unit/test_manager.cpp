#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "platform/null/NullPlatform.h"
#include "tests/shared/scripted_events.h"

namespace velmora {
namespace {

class CountingListener : public IHotKeyListener {
 public:
  void SaveColorToColorBox() override { ++calls; }
  void ToggleMagnifier() override { ++toggles; }
  int calls = 0;
  int toggles = 0;
};

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.SetListener(&listener);
    manager.RegisterHotKeys(*window);
  }
  // Puts `color` under the pointer and takes one sample.
  void SampleOver(TColor color) {
    platform.screenPixels[{platform.pointer.x, platform.pointer.y}] = color;
    manager.SampleColor();
  }

  NullPlatform platform;
  ScriptedEvents events;
  std::unique_ptr<IWindow> window = platform.CreateMainWindow(WindowDesc{}, "Velmora", events);
  CountingListener listener;
  TVelmoraManager manager{window.get()};
};

TEST_F(ManagerTest, HotKeysCopyTheLastSampleAndCallTheListener) {
  platform.pointer = {10, 20};
  SampleOver(0x00E16941);
  platform.clipboardHasOtherFormat = true;

  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#4169E1");
  EXPECT_FALSE(platform.clipboardHasOtherFormat);
  EXPECT_EQ(platform.clipboardOwner, window.get());

  manager.HandleHotKey(manager.HotKeyDec());
  EXPECT_EQ(platform.clipboardText, "65, 105, 225");

  manager.HandleHotKey(manager.HotKeySave());
  EXPECT_EQ(listener.calls, 1);
}

TEST_F(ManagerTest, HotKeyNeverTakesANewSample) {
  SampleOver(0x000000FF);
  platform.screenPixels.clear();  // the screen changes; no tick follows
  const int reads = platform.pixelReads;
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#FF0000");
  EXPECT_EQ(platform.pixelReads, reads);
}

TEST_F(ManagerTest, HexBeforeAnySampleCopiesBlack) {
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#000000");
}

TEST_F(ManagerTest, UnknownIdentifierOrMissingListenerDoesNothing) {
  platform.clipboardText = "untouched";
  const int unknown =
      std::max({manager.HotKeyDec(), manager.HotKeyHex(), manager.HotKeySave()}) + 1;
  manager.HandleHotKey(unknown);
  manager.HandleHotKey(0);
  EXPECT_EQ(platform.clipboardText, "untouched");
  EXPECT_EQ(platform.clipboardAttempts, 0);
  EXPECT_EQ(listener.calls, 0);

  manager.SetListener(nullptr);
  manager.HandleHotKey(manager.HotKeySave());
  EXPECT_EQ(listener.calls, 0);
}

TEST_F(ManagerTest, RegistersDHSInOrderAndReleasesThemAll) {
  EXPECT_EQ(platform.hotKeys, (std::map<int, HotKey>{{manager.HotKeyDec(), HotKey::AltD},
                                                      {manager.HotKeyHex(), HotKey::AltH},
                                                      {manager.HotKeySave(), HotKey::AltS}}));
  manager.UnregisterHotKeys(*window);
  EXPECT_TRUE(platform.hotKeys.empty());
}

TEST_F(ManagerTest, AltZAndAltCAreRegisteredOnlyWhileOnAndDoTheirWork) {
  const std::map<int, HotKey> threeKeys = platform.hotKeys;
  SampleOver(0x00E16941);
  EXPECT_FALSE(manager.OptionalHotKeyRegistered(HotKey::AltC));
  EXPECT_TRUE(manager.SetOptionalHotKey(*window, HotKey::AltC, true));
  EXPECT_TRUE(manager.SetOptionalHotKey(*window, HotKey::AltZ, true));
  EXPECT_EQ(platform.hotKeys.size(), 5u);
  manager.SetExtraFormat(ColorFormat::Hsl);
  const auto idOf = [this](HotKey key) {
    for (const auto& [id, registered] : platform.hotKeys) {
      if (registered == key) return id;
    }
    return -1;
  };
  const int altC = idOf(HotKey::AltC);
  const int altZ = idOf(HotKey::AltZ);
  manager.HandleHotKey(altC);
  EXPECT_EQ(platform.clipboardText, "hsl(225, 73%, 57%)");
  manager.HandleHotKey(altZ);
  EXPECT_EQ(listener.toggles, 1);

  // Off again: the keys are given up; other programs may have them.
  EXPECT_FALSE(manager.SetOptionalHotKey(*window, HotKey::AltZ, false));
  EXPECT_FALSE(manager.SetOptionalHotKey(*window, HotKey::AltC, false));
  EXPECT_EQ(platform.hotKeys, threeKeys);
  // A stray report of a key given up does nothing.
  platform.clipboardText.clear();
  manager.HandleHotKey(altC);
  manager.HandleHotKey(altZ);
  EXPECT_EQ(platform.clipboardText, "");
  EXPECT_EQ(listener.toggles, 1);

  // Held by another program: not registered, nothing kept.
  platform.hotKeysHeldElsewhere = {HotKey::AltC};
  EXPECT_FALSE(manager.SetOptionalHotKey(*window, HotKey::AltC, true));
  EXPECT_FALSE(manager.OptionalHotKeyRegistered(HotKey::AltC));
  EXPECT_EQ(platform.hotKeys, threeKeys);

  EXPECT_TRUE(manager.SetOptionalHotKey(*window, HotKey::AltZ, true));
  manager.UnregisterHotKeys(*window);
  EXPECT_TRUE(platform.hotKeys.empty());
  EXPECT_FALSE(manager.OptionalHotKeyRegistered(HotKey::AltZ));
}

TEST_F(ManagerTest, KeyHeldElsewhereKeepsItsOwnIdentifierAndTheOthersWork) {
  manager.UnregisterHotKeys(*window);
  platform.hotKeysHeldElsewhere = {HotKey::AltH};
  manager.RegisterHotKeys(*window);
  EXPECT_EQ(platform.hotKeys, (std::map<int, HotKey>{{manager.HotKeyDec(), HotKey::AltD},
                                                      {manager.HotKeySave(), HotKey::AltS}}));
  EXPECT_NE(manager.HotKeyHex(), manager.HotKeyDec());
  EXPECT_NE(manager.HotKeyHex(), manager.HotKeySave());
  // A stray report of the unregistered key's identifier still means Alt+H.
  SampleOver(0x00E16941);
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#4169E1");
}

// The backend words the failure; the manager raises it as it stands.
TEST_F(ManagerTest, UnreadablePointerKeepsTheColourAndRaisesTheBackendsError) {
  SampleOver(0x00123456);
  platform.pointerReadable = false;
  platform.pointerError = "System Error.  Code: 87.\r\nThe parameter is incorrect";
  try {
    manager.SampleColor();
    FAIL() << "no failure raised";
  } catch (const EOSError& e) {
    EXPECT_STREQ(e.what(), "System Error.  Code: 87.\r\nThe parameter is incorrect");
  }
  EXPECT_EQ(manager.Color(), 0x00123456);
}

TEST_F(ManagerTest, UnreadablePixelIsStoredAsTheInvalidMark) {
  platform.pixelsReadable = false;
  EXPECT_EQ(manager.SampleColor(), kInvalidColor);
  EXPECT_EQ(manager.GetHexText(), "#FFFFFF");
  platform.pixelsReadable = true;
  platform.pointer = {-5, 3};  // off the screen
  EXPECT_EQ(manager.SampleColor(), kInvalidColor);
}

TEST_F(ManagerTest, ClipboardHeldBrieflyIsRetried) {
  platform.clipboardBusyAttempts = kClipboardOpenAttempts - 1;
  manager.CopyToClipboard("#ABCDEF");
  EXPECT_EQ(platform.clipboardText, "#ABCDEF");
  EXPECT_EQ(platform.clipboardAttempts, kClipboardOpenAttempts);
  EXPECT_EQ(platform.sleptMs, (kClipboardOpenAttempts - 1) * kClipboardRetryMs);
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
  EXPECT_EQ(platform.clipboardAttempts, kClipboardOpenAttempts);
}

TEST_F(ManagerTest, RefusedClipboardDataIsReportedAtOnce) {
  platform.clipboardRefusesData = true;
  try {
    manager.CopyToClipboard("#ABCDEF");
    FAIL() << "no failure raised";
  } catch (const EVelmoraError& e) {
    EXPECT_STREQ(e.what(), "Cannot copy to clipboard");
  }
  EXPECT_EQ(platform.clipboardAttempts, 1);
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
