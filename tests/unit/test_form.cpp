#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "app/Application.h"
#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "form_fixture.h"
#include "platform/null/NullPlatform.h"
#include "ui/ContextMenu.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

TEST_F(FormTest, ShowingPlacesTheCollapsedStripAndStartsEverything) {
  EXPECT_EQ(platform.bounds, (Rect{376, 153, 272, 32}));
  EXPECT_EQ(platform.timerMs, 100);
  EXPECT_EQ(platform.hotKeys.size(), 3u);
  EXPECT_EQ(form->lblHelpCaption->Caption, "Welcome to Velmora HotKeys Help!");
  EXPECT_EQ(form->BaseFont(), FontRole::Form);
  EXPECT_EQ(platform.windowDesc.caption, "Velmora");
  EXPECT_EQ(platform.appTitle, "Velmora 3.6");
  EXPECT_TRUE(platform.windowDesc.topmost);
  EXPECT_EQ(platform.windowDesc.background, kBackgroundBlue);

  std::map<std::string, std::string> tips;
  for (const auto& entry : platform.tooltips) {
    for (const TControl& c : form->FControls) {
      if (c.Id == entry.first) tips[c.Name] = entry.second.second;
    }
  }
  EXPECT_EQ(tips["lblWebsite"], "Visit Velmora HomePage");
  EXPECT_EQ(tips["lblEmail"], "About Velmora Feedback");
  EXPECT_EQ(tips["lblExit"], "Exit");
  EXPECT_EQ(tips["btnHelp"], "Open Color Box");
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(tips["ColorBox" + std::to_string(i)], kSlotHint);
  EXPECT_EQ(tips.size(), 10u);
}

TEST_F(FormTest, PlacementFollowsThePrimaryScreen) {
  const struct {
    Rect screen;
    int dpi;
    Point corner;
  } cases[] = {{{0, 0, 1024, 768}, 96, {376, 153}},
               {{0, 0, 1920, 1080}, 96, {824, 216}},
               {{0, 0, 801, 604}, 96, {264, 120}},
               {{0, 0, 2880, 1620}, 144, {1236, 324}},      // 272 wide shows as 408 at 150 %
               {{1280, 200, 1024, 768}, 96, {1656, 353}}};  // not at the desktop's origin
  for (const auto& c : cases) {
    platform.screen = c.screen;
    platform.dpi = c.dpi;
    form->FormShow();
    EXPECT_EQ(platform.bounds.x, c.corner.x);
    EXPECT_EQ(platform.bounds.y, c.corner.y);
  }
}

// A monitor left of the primary one, higher and taller: its pixels have
// negative coordinates, and each reads, shows and copies as itself.
TEST_F(FormTest, AMonitorLeftOfThePrimaryOneIsSampledAtNegativeCoordinates) {
  platform.otherMonitors = {{-1280, -200, 1280, 1024}};
  form->FormShow();
  EXPECT_EQ(platform.bounds, (Rect{376, 153, 272, 32}));  // still on the primary monitor
  const struct {
    Point at;
    TColor color;
    const char* hex;
    const char* dec;
  } cases[] = {{{-1, 0}, 0x00030201, "#010203", "1, 2, 3"},
               {{-1280, -200}, 0x00E16941, "#4169E1", "65, 105, 225"},
               {{-640, 823}, 0x0000FFFF, "#FFFF00", "255, 255, 0"},
               {{-1, -1}, 0x00102030, "#302010", "48, 32, 16"}};
  platform.screenPixels[{0, 0}] = kGreen;  // the neighbours across the edge
  platform.screenPixels[{-1, 1}] = kBlue;
  std::vector<TColor> stored;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    platform.screenPixels[{c.at.x, c.at.y}] = c.color;
    platform.pointer = c.at;
    platform.SendTimer();
    EXPECT_EQ(form->lblHexColorValue->Caption, c.hex);
    platform.SendHotKey(ManagerInstance->HotKeyHex());
    EXPECT_EQ(platform.clipboardText, c.hex);
    platform.SendHotKey(ManagerInstance->HotKeyDec());
    EXPECT_EQ(platform.clipboardText, c.dec);
    PressAltS();
    stored.insert(stored.begin(), c.color);
  }
  stored.resize(kColorBoxSlots, kWhite);
  EXPECT_EQ(Slots(), stored);
  // Below the left monitor, left of the primary one: no monitor at all.
  platform.pointer = {-1, 900};
  platform.SendTimer();
  EXPECT_EQ(ManagerInstance->Color(), kInvalidColor);
}

TEST_F(FormTest, TickShowsTheSampleInTheSwatchAndTexts) {
  TickOver(0x00E16941);
  EXPECT_EQ(form->ColorPanel->Color, 0x00E16941);
  EXPECT_EQ(form->lblHexColorValue->Caption, "#4169E1");
  EXPECT_EQ(form->lblR->Caption, "65");
  EXPECT_EQ(form->lblG->Caption, "105");
  EXPECT_EQ(form->lblB->Caption, "225");

  NullCanvas canvas = platform.Paint();
  EXPECT_EQ(canvas.PixelAt(10, 10), 0x00E16941);
  EXPECT_EQ(canvas.PixelAt(1, 1), 0);  // the swatch's flat border
  EXPECT_EQ(canvas.PixelAt(150, 20), kBackgroundBlue);
  ASSERT_NE(canvas.TextAt(208, 0), nullptr);
  EXPECT_EQ(canvas.TextAt(208, 0)->text, "#4169E1");
  EXPECT_EQ(canvas.TextAt(208, 0)->color, kWhite);
}

TEST_F(FormTest, UnchangedSampleRepaintsNothing) {
  TickOver(0x00123456);
  platform.invalidated.clear();
  TickOver(0x00123456);
  TickOver(0x00123456);
  EXPECT_TRUE(platform.invalidated.empty());
  TickOver(0x00123457);  // only red changes
  ASSERT_FALSE(platform.invalidated.empty());
  for (const Rect& r : platform.invalidated) EXPECT_LT(r.y, 32) << "outside the strip";
}

TEST_F(FormTest, UnreadablePixelShowsWhiteTextsAndACheckerboard) {
  TickOver(kInvalidColor);
  EXPECT_EQ(form->lblHexColorValue->Caption, "#FFFFFF");
  NullCanvas canvas = platform.Paint();
  EXPECT_NE(canvas.PixelAt(4, 4), canvas.PixelAt(11, 4));
}

TEST_F(FormTest, FailingSamplerOpensOneBoxPerSpellAndResumes) {
  TickOver(0x00000080);
  platform.pointerReadable = false;
  int ticksWhileOpen = 0;
  platform.whileErrorBoxOpen = [&] {
    for (int i = 0; i < 5; ++i, ++ticksWhileOpen) platform.SendTimer();
  };
  platform.SendTimer();
  platform.SendTimer();  // still failing after the box closed
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(ticksWhileOpen, 5);
  platform.whileErrorBoxOpen = nullptr;
  EXPECT_EQ(platform.errorBoxes[0].caption, "Velmora 3.6");
  EXPECT_EQ(platform.errorBoxes[0].text, "System Error.  Code: 5.\r\nAccess is denied.");
  EXPECT_EQ(form->ColorPanel->Color, 0x00000080);  // unchanged while failing

  platform.pointerReadable = true;
  TickOver(0x00008000);
  EXPECT_EQ(form->ColorPanel->Color, 0x00008000);
  platform.pointerReadable = false;
  platform.SendTimer();  // a new spell is reported again
  EXPECT_EQ(platform.errorBoxes.size(), 2u);
}

// A right press moves the window once the pointer goes past the drag threshold.
TEST_F(FormTest, DraggingStartsOnlyFromBackgroundAndStripLabels) {
  const auto rightDrag = [this](Point p) {
    platform.SendMouseDown(p, MouseButton::Right);
    platform.SendMouseMove({p.x + platform.dragThreshold + 1, p.y});
    platform.SendMouseUp({p.x + platform.dragThreshold + 1, p.y}, MouseButton::Right);
  };
  for (const char* name :
       {"RLabel", "lblR", "GLabel", "lblG", "BLabel", "lblB", "HexLabel", "lblHexColorValue"}) {
    platform.moves.clear();
    rightDrag(CenterOf(form->Find(name)));
    EXPECT_EQ(platform.moves.size(), 1u) << name;
  }
  platform.moves.clear();
  platform.SendMouseDown({150, 25}, MouseButton::Middle);  // background
  platform.SendMouseDown({260, 5}, MouseButton::Left);
  EXPECT_EQ(platform.moves, (std::vector<MouseButton>{MouseButton::Middle, MouseButton::Left}));

  platform.moves.clear();
  form->btnHelpClick();  // expanded: the lower area is reachable
  for (const char* name : {"ColorPanel", "lblWebsite", "lblEmail", "lblExit", "btnHelp",
                           "HelpPanel", "PressHexLabel", "ColorBox3", "Panel77", "BottomPanel"}) {
    rightDrag(CenterOf(form->Find(name)));
    EXPECT_TRUE(platform.moves.empty()) << name;
  }
  // Drags show no menu.
  EXPECT_TRUE(platform.menusShown.empty());
}

// "Copy as" copies the colour last sampled outside the window: by the time
// the user right-clicks the strip the pointer samples the strip itself.
TEST_F(FormTest, RightClickMenuCopiesTheColourUnderThePointerBeforeItCameOver) {
  TickOver(0x00E16941);
  platform.screenPixels[{400, 160}] = kRed;  // inside the strip (376, 153, 272 x 32)
  platform.pointer = {400, 160};
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, kRed);

  const std::vector<std::string> expected = {"#4169e1",
                                             "rgb(65, 105, 225)",
                                             "hsl(225, 73%, 57%)",
                                             "hsv(225, 71%, 88%)",
                                             "cmyk(71%, 53%, 0%, 12%)",
                                             "(0.255, 0.412, 0.882)",
                                             "0x00E16941",
                                             "$00E16941",
                                             "oklch(55.98% 0.18823 266.4)",
                                             "oklab(55.98% -0.01182 -0.18786)",
                                             "lab(46.8% 17.78 -66.66)",
                                             "royalblue"};
  for (const std::string& text : expected) {
    const std::vector<MenuItem> menu = RightClickChoosing({kCopyAsMenuText, text});
    EXPECT_EQ(Texts(menu),
              (std::vector<std::string>{kCopyAsMenuText, kExtraFormatMenuText, kSampleMenuText,
                                        kColorNameMenuText, kMagnifierMenuText, kZoomMenuText,
                                        kHotKeysMenuText, kStartAtLoginMenuText, kContrastMenuText,
                                        kExportMenuText, "", AboutMenuText(), kExitMenuText}));
    ASSERT_NE(Item(menu, kCopyAsMenuText), nullptr);
    EXPECT_EQ(Texts(Item(menu, kCopyAsMenuText)->submenu), expected);
    EXPECT_EQ(platform.clipboardText, text);
  }
  EXPECT_TRUE(platform.moves.empty());
  EXPECT_TRUE(platform.errorBoxes.empty());

  // On its way to the entry the pointer crosses the menu (outside the strip)
  // and ticks go on: the colour copied is the one the menu opened with.
  const auto choose = platform.menuChooser;
  platform.menuChooser = [&](const std::vector<MenuItem>& items) {
    TickOver(kGreen);
    return choose(items);
  };
  platform.clipboardText.clear();
  platform.SendMouseDown({150, 25}, MouseButton::Right);
  platform.SendMouseUp({150, 25}, MouseButton::Right);
  EXPECT_EQ(platform.clipboardText, expected.back());
  EXPECT_EQ(form->OutsideColor(), kGreen);

  // The clipboard behaves as for Alt+H: retries, then one box.
  platform.clipboardBusyAttempts = 1000;
  RightClickChoosing({kCopyAsMenuText, "#00ff00"});  // green, since the last tick
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].text, "Cannot open clipboard.");
  EXPECT_EQ(platform.clipboardAttempts,
            static_cast<int>(expected.size()) + 1 + kClipboardOpenAttempts);
}

TEST_F(FormTest, MenuAboutExitAndADismissedMenuChangeNoSetting) {
  RightClickChoosing({});
  RightClickChoosing({"no such entry"});
  EXPECT_FALSE(platform.closeRequested);
  EXPECT_EQ(platform.files.count(kConfig), 0u);  // nothing written
  EXPECT_EQ(platform.hotKeys.size(), 3u);
  RightClickChoosing({AboutMenuText()});
  EXPECT_EQ(platform.shellRequests, std::vector<std::string>{kHomePageAddress});
  RightClickChoosing({kExitMenuText});
  EXPECT_TRUE(platform.closeRequested);
}

// The check mark is the desktop's record as it is now, whoever changed it.
TEST_F(FormTest, StartAtLoginFollowsTheDesktopsRecord) {
  const auto checked = [](const std::vector<MenuItem>& menu) {
    return Item(menu, kStartAtLoginMenuText)->checked;
  };
  EXPECT_FALSE(checked(RightClickChoosing({kStartAtLoginMenuText})));
  EXPECT_TRUE(platform.startsAtLogin);
  EXPECT_TRUE(checked(RightClickChoosing({kStartAtLoginMenuText})));
  EXPECT_FALSE(platform.startsAtLogin);
  platform.startsAtLogin = true;  // e.g. by an older run or by hand
  EXPECT_TRUE(checked(RightClickChoosing({})));
  EXPECT_EQ(platform.files.count(kConfig), 0u);  // not an option of Config.ini

  platform.startAtLoginLocked = true;
  RightClickChoosing({kStartAtLoginMenuText});
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].text, "Cannot stop Velmora starting at login.");
  EXPECT_TRUE(platform.startsAtLogin);
}

TEST_F(FormTest, AltCIsTurnedOnInTheMenuAndCopiesTheChosenFormat) {
  std::vector<MenuItem> menu = RightClickChoosing({kExtraFormatMenuText, "hsl(h, s%, l%)"});
  // The default is checked until the choice is made.
  EXPECT_TRUE(Item(menu[1].submenu, "#rrggbb")->checked);
  EXPECT_TRUE(Item(menu[1].submenu, "#rrggbb")->radio);
  menu = RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltC, false)});
  EXPECT_TRUE(Item(menu[1].submenu, "hsl(h, s%, l%)")->checked);
  EXPECT_FALSE(Item(menu[1].submenu, "#rrggbb")->checked);
  EXPECT_FALSE(
      Item(Item(menu, kHotKeysMenuText)->submenu, HotKeyMenuText(HotKey::AltC, false))->checked);
  EXPECT_EQ(platform.hotKeys.size(), 4u);

  TickOver(0x00E16941);
  platform.PressHotKey(HotKey::AltC);
  EXPECT_EQ(platform.clipboardText, "hsl(225, 73%, 57%)");
  EXPECT_NE(platform.files.at(kConfig).find("[Options]\r\nExtraFormat=hsl\r\n"), std::string::npos);
  EXPECT_NE(platform.files.at(kConfig).find("HotKeyAltC=1\r\n"), std::string::npos);

  // Off again.
  menu = RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltC, false)});
  EXPECT_TRUE(
      Item(Item(menu, kHotKeysMenuText)->submenu, HotKeyMenuText(HotKey::AltC, false))->checked);
  EXPECT_EQ(platform.hotKeys.size(), 3u);
  EXPECT_NE(platform.files.at(kConfig).find("HotKeyAltC=0\r\n"), std::string::npos);
}

TEST_F(FormTest, AltCThatAnotherProgramHoldsStaysOffAndSaysSo) {
  platform.hotKeysHeldElsewhere = {HotKey::AltC};
  RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltC, false)});
  EXPECT_TRUE(form->HotKeyTaken(HotKey::AltC));
  EXPECT_EQ(platform.hotKeys.size(), 3u);
  EXPECT_EQ(platform.files.count(kConfig), 0u);
  std::vector<MenuItem> menu =
      RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltC, true)});
  const MenuItem* taken =
      Item(Item(menu, kHotKeysMenuText)->submenu, HotKeyMenuText(HotKey::AltC, true));
  ASSERT_NE(taken, nullptr);
  EXPECT_FALSE(taken->checked);
  EXPECT_EQ(platform.hotKeys.size(), 3u);

  // Once the other program lets it go, choosing it again turns it on.
  platform.hotKeysHeldElsewhere.clear();
  RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltC, true)});
  EXPECT_FALSE(form->HotKeyTaken(HotKey::AltC));
  EXPECT_EQ(platform.hotKeys.size(), 4u);
  EXPECT_TRUE(form->Options().HotKeyAltC);
}

// Off by default: no loupe and no block read on a tick. The menu turns it
// on and off, and Alt+Z does too once it is turned on in "Hot keys"; a key
// another program holds stays off and says so.
TEST_F(FormTest, MagnifierIsOffUntilTurnedOnInTheMenuOrByAltZ) {
  TickOver(kRed);
  PressAltZ();
  EXPECT_EQ(platform.loupesCreated, 0);
  EXPECT_EQ(platform.pointerBlockReads, 0);
  EXPECT_EQ(platform.hotKeys.size(), 3u);

  std::vector<MenuItem> menu = RightClickChoosing({kMagnifierMenuText});
  EXPECT_FALSE(Item(menu, kMagnifierMenuText)->checked);
  EXPECT_TRUE(platform.loupeAlive);
  // On, a tick reads the strip's pixel and the loupe's block at once: the
  // framed cell is the colour the strip shows.
  const int readsBefore = platform.pixelReads;
  TickOver(kRed);
  EXPECT_TRUE(platform.loupeVisible);
  EXPECT_EQ(platform.pointerBlockReads, 1);
  EXPECT_EQ(platform.pixelReads, readsBefore);
  EXPECT_EQ(platform.blockReads, 0);
  const int middle = kMagnifierRadius * 8 + 4;  // zoom 8 by default
  EXPECT_EQ(platform.loupePixels[static_cast<std::size_t>(middle * platform.loupeSide + middle)],
            kRed);
  EXPECT_EQ(ManagerInstance->Color(), kRed);
  EXPECT_NE(platform.files.at(kConfig).find("Magnifier=1\r\n"), std::string::npos);
  menu = RightClickChoosing({kMagnifierMenuText});
  EXPECT_TRUE(Item(menu, kMagnifierMenuText)->checked);
  EXPECT_FALSE(platform.loupeAlive);
  TickOver(kRed);
  EXPECT_EQ(platform.pointerBlockReads, 1);

  platform.hotKeysHeldElsewhere = {HotKey::AltZ};
  menu = RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltZ, false)});
  EXPECT_TRUE(form->HotKeyTaken(HotKey::AltZ));
  menu = RightClickChoosing({});
  const MenuItem* taken =
      Item(Item(menu, kHotKeysMenuText)->submenu, HotKeyMenuText(HotKey::AltZ, true));
  ASSERT_NE(taken, nullptr);
  EXPECT_FALSE(taken->checked);
  platform.hotKeysHeldElsewhere.clear();
  RightClickChoosing({kHotKeysMenuText, HotKeyMenuText(HotKey::AltZ, true)});
  EXPECT_EQ(platform.hotKeys.size(), 4u);
  PressAltZ();
  EXPECT_TRUE(platform.loupeAlive);
  EXPECT_TRUE(form->Options().Magnifier);
  PressAltZ();
  EXPECT_FALSE(platform.loupeAlive);
  EXPECT_NE(platform.files.at(kConfig).find("Magnifier=0\r\nZoom=8\r\nHotKeyAltZ=1\r\n"),
            std::string::npos);
}

// The loupe's framed pixel is the one Alt+H copies, at 200 % as well: both
// are the device pixel under the pointer.
TEST_F(FormTest, MagnifiersFramedPixelIsTheOneAltHCopies) {
  platform.dpi = 192;
  for (int y = 490; y <= 510; ++y) {
    for (int x = 490; x <= 510; ++x)
      platform.screenPixels[{x, y}] = 0x00010000 * x + 0x00000100 * y + x * y % 251;
  }
  RightClickChoosing({kMagnifierMenuText});
  platform.pointer = {500, 500};
  platform.SendTimer();
  platform.SendHotKey(ManagerInstance->HotKeyHex());
  const int zoom = form->Magnifier()->Zoom();
  const int side = MagnifierSide(zoom);
  const TColor framed = platform.loupePixels[static_cast<std::size_t>((7 * zoom + zoom / 2) * side +
                                                                      7 * zoom + zoom / 2)];
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02X%02X%02X", framed & 0xFF, (framed >> 8) & 0xFF,
                (framed >> 16) & 0xFF);
  EXPECT_EQ(platform.clipboardText, hex);
  EXPECT_EQ(framed, platform.screenPixels.at({500, 500}));
}

TEST_F(FormTest, PointerShapes) {
  EXPECT_EQ(form->PointerAt({150, 25}), PointerShape::Move);
  EXPECT_EQ(form->PointerAt(CenterOf(form->lblR)), PointerShape::Move);
  EXPECT_EQ(form->PointerAt(CenterOf(form->lblWebsite)), PointerShape::Hand);
  EXPECT_EQ(form->PointerAt(CenterOf(form->btnHelp)), PointerShape::Arrow);
}

TEST_F(FormTest, LinksAndExit) {
  platform.SendClick(CenterOf(form->lblWebsite));
  platform.SendClick(CenterOf(form->lblEmail));
  ASSERT_EQ(platform.shellRequests.size(), 2u);
  EXPECT_EQ(platform.shellRequests[0], kHomePageAddress);
  EXPECT_EQ(platform.shellRequests[1], kFeedbackMailAddress);
  // A press on one control released over another is no click.
  platform.SendMouseDown(CenterOf(form->lblExit));
  platform.SendMouseUp(CenterOf(form->lblEmail));
  EXPECT_FALSE(platform.closeRequested);
  platform.SendClick(CenterOf(form->lblExit));
  EXPECT_TRUE(platform.closeRequested);
}

TEST_F(FormTest, HotKeysReachTheManager) {
  TickOver(0x00E16941);
  platform.SendHotKey(ManagerInstance->HotKeyHex());
  EXPECT_EQ(platform.clipboardText, "#4169E1");
  platform.clipboardBusyAttempts = 1000;
  platform.SendHotKey(ManagerInstance->HotKeyDec());
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].text, "Cannot open clipboard.");
  EXPECT_EQ(platform.clipboardText, "#4169E1");
}

TEST_F(FormTest, ExpandAndCollapseTwice) {
  for (int round = 0; round < 2; ++round) {
    form->btnHelpClick();
    EXPECT_EQ(platform.bounds, (Rect{376, 153, 272, 346}));
    EXPECT_TRUE(form->HelpPanel->Showing());
    EXPECT_EQ(platform.tooltips[form->btnHelp->Id].second, "Hide Color Box");
    form->btnHelpClick();
    EXPECT_EQ(platform.bounds, (Rect{376, 153, 272, 32}));
    EXPECT_FALSE(form->HelpPanel->Showing());
    EXPECT_EQ(platform.tooltips[form->btnHelp->Id].second, "Open Color Box");
  }
  platform.SendClick(CenterOf(form->btnHelp));
  EXPECT_TRUE(form->Expanded());
}

TEST_F(FormTest, StoresShiftTheColourBoxInEitherState) {
  const TColor earlier[] = {0x00010101, 0x00020202, 0x00030303};
  for (TColor c : {earlier[2], earlier[1], earlier[0]}) {
    TickOver(c);
    PressAltS();
  }
  for (TColor c : {kRed, kGreen, kBlue}) {
    TickOver(c);
    PressAltS();
  }
  EXPECT_EQ(Slots(),
            (std::vector<TColor>{kBlue, kGreen, kRed, earlier[0], earlier[1], earlier[2]}));
  EXPECT_FALSE(form->Expanded());

  form->btnHelpClick();
  for (int i = 0; i < 7; ++i) {
    TickOver(0x00100000 + i);
    PressAltS();
  }
  EXPECT_EQ(Slots(), (std::vector<TColor>{0x00100006, 0x00100005, 0x00100004, 0x00100003,
                                          0x00100002, 0x00100001}));
  NullCanvas canvas = platform.Paint();
  EXPECT_EQ(canvas.PixelAt(20, 34 + 84 + 18), 0x00100006);
  ASSERT_NE(canvas.TextAt(4, 34 + 84 + 11), nullptr);
  EXPECT_EQ(canvas.TextAt(4, 34 + 84 + 11)->text, "Click");
  // The slot's text follows the system's colour for window text.
  EXPECT_EQ(canvas.TextAt(4, 34 + 84 + 11)->color, platform.systemWindowText);
  platform.systemWindowText = 0x00445566;
  canvas = platform.Paint();
  EXPECT_EQ(canvas.TextAt(4, 34 + 84 + 11)->color, 0x00445566);
}

TEST_F(FormTest, ChartClickStoresTheLastSampleNotTheSwatch) {
  form->btnHelpClick();
  TickOver(kGreen);
  TControl* swatch = form->ChartPanels[0];  // dark red
  platform.SendClick(CenterOf(swatch));
  EXPECT_EQ(form->SlotColor(0), kGreen);
  EXPECT_EQ(form->SlotColor(1), kWhite);
}

TEST_F(FormTest, ChartShowsEverySwatchWithWhiteBetween) {
  form->btnHelpClick();
  NullCanvas canvas = platform.Paint();
  for (int r = 0; r < kChartSize; ++r) {
    for (int c = 0; c < kChartSize; ++c) {
      const std::uint32_t rgb = ChartRGB(c, r);
      const TColor expected = RGBColor(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
      const int x = 44 + 19 * c, y = 34 + 84 + 19 * r;
      EXPECT_EQ(canvas.PixelAt(x, y), expected) << r << "," << c;
      EXPECT_EQ(canvas.PixelAt(x + 17, y + 17), expected) << r << "," << c;
      EXPECT_EQ(canvas.PixelAt(x + 18, y + 18), kWhite) << r << "," << c;
    }
  }
  EXPECT_EQ(ChartRGB(4, 0), 0xFF0000u);
  EXPECT_EQ(ChartRGB(11, 11), 0xFBEFF5u);
  EXPECT_EQ(canvas.PixelAt(0, 34), 0);  // the help panel is black
}

TEST_F(FormTest, ChooserChangesOnlyAConfirmedSlot) {
  form->btnHelpClick();
  TickOver(kRed);
  PressAltS();
  TControl* slot2 = form->ColorBoxes[1];
  platform.chooserConfirms = false;
  platform.SendClick(CenterOf(form->ColorBoxes[0]));
  EXPECT_EQ(platform.chooserShown, std::vector<TColor>{kRed});
  EXPECT_EQ(form->SlotColor(0), kRed);

  platform.chooserConfirms = true;
  platform.chooserPick = kBlue;
  platform.SendClick(CenterOf(slot2));
  EXPECT_EQ(Slots(), (std::vector<TColor>{kRed, kBlue, kWhite, kWhite, kWhite, kWhite}));

  form->ColorBox1Click(form->ChartPanels[3]);  // not a slot: nothing happens
  EXPECT_EQ(platform.chooserShown.size(), 2u);
}

TEST(FormLifecycle, ColourBoxIsReadAtCreationAndWrittenAtDestruction) {
  NullPlatform platform;
  platform.folders = {"C:", "C:\\Users", "C:\\Users\\Public", "C:\\Users\\Public\\Documents"};
  platform.files[kConfig] = "[ColorBox]\r\nCB1=255\r\nCB3=$FF00\r\nCB6=bad\r\n";
  platform.folders.insert("C:\\Users\\Public\\Documents\\Quorvane");
  platform.folders.insert("C:\\Users\\Public\\Documents\\Quorvane\\Velmora");
  platform.eventLoopBody = [&] {
    platform.screenPixels[{0, 0}] = kGreen;
    platform.SendTimer();
    platform.SendHotKey(ManagerInstance->HotKeySave());
    platform.SendClick({210, 20});  // "Exit"
  };
  EXPECT_EQ(RunVelmora(), 0);
  EXPECT_TRUE(platform.closeRequested);
  EXPECT_TRUE(platform.destroyed);
  EXPECT_EQ(ManagerInstance, nullptr);
  EXPECT_TRUE(platform.hotKeys.empty());
  EXPECT_EQ(platform.files[kConfig],
            "[ColorBox]\r\nCB1=65280\r\nCB3=16777215\r\nCB6=16777215\r\nCB2=255\r\nCB4=65280\r\n"
            "CB5=16777215\r\n");
}

// Records the state of the program at the first write of the configuration file.
class WatchingPlatform : public NullPlatform {
 public:
  bool WriteProfileValues(const std::string& file, const std::string& section,
                          const ProfileValues& values) override {
    if (writes++ == 0) {
      hotKeysAtWrite = hotKeys.size();
      managerAtWrite = ManagerInstance != nullptr;
    }
    return NullPlatform::WriteProfileValues(file, section, values);
  }
  int writes = 0;
  size_t hotKeysAtWrite = 99;
  bool managerAtWrite = true;
};

TEST(FormLifecycle, OptionsAreReadAtCreationAndAltCRegisteredAtShow) {
  NullPlatform platform;
  platform.folders = {"C:", "C:\\Users", "C:\\Users\\Public", "C:\\Users\\Public\\Documents"};
  platform.files[kConfig] = "[Options]\r\nExtraFormat=cmyk\r\nHotKeyAltC=1\r\n";
  platform.eventLoopBody = [&] {
    EXPECT_EQ(platform.hotKeys.size(), 4u);
    platform.screenPixels[{0, 0}] = kGreen;
    platform.SendTimer();
    platform.PressHotKey(HotKey::AltC);
    platform.SendClick({210, 20});  // "Exit"
  };
  EXPECT_EQ(RunVelmora(), 0);
  EXPECT_EQ(platform.clipboardText, "cmyk(100%, 0%, 100%, 0%)");
  EXPECT_TRUE(platform.hotKeys.empty());
  // Still as it was besides the colour box.
  EXPECT_EQ(platform.files[kConfig].rfind("[Options]\r\nExtraFormat=cmyk\r\nHotKeyAltC=1\r\n", 0),
            0u);
}

TEST(FormLifecycle, MagnifierStateSurvivesARestart) {
  NullPlatform platform;
  platform.folders = {"C:", "C:\\Users", "C:\\Users\\Public", "C:\\Users\\Public\\Documents"};
  platform.files[kConfig] = "[Options]\r\nMagnifier=1\r\nZoom=4\r\n";
  platform.eventLoopBody = [&] {
    EXPECT_EQ(platform.loupesCreated, 1);
    EXPECT_EQ(platform.loupeSide, MagnifierSide(4));
    platform.SendTimer();
    EXPECT_TRUE(platform.loupeVisible);
    platform.SendClick({210, 20});  // "Exit"
  };
  EXPECT_EQ(RunVelmora(), 0);
  EXPECT_FALSE(platform.loupeAlive);
}

// The colour box is read with one read of the file and saved with one
// replacement of it, whatever else the file holds.
TEST(FormLifecycle, DestructionRemovesHotKeysThenManagerThenWritesOnce) {
  WatchingPlatform platform;
  const std::string file = "C:\\Users\\Public\\Documents\\Quorvane\\Velmora\\Config.ini";
  platform.files[file] = "[Other]\r\nK=v\r\n[ColorBox]\r\nCB2=255\r\n";
  platform.eventLoopBody = [&] {
    EXPECT_EQ(platform.fileReads, 2);  // the colour box, then the options
    platform.SendClick({210, 20});
  };
  EXPECT_EQ(RunVelmora(), 0);
  EXPECT_EQ(platform.hotKeysAtWrite, 0u);
  EXPECT_FALSE(platform.managerAtWrite);
  EXPECT_EQ(platform.writes, 1);
  EXPECT_EQ(platform.fileWrites, 1);
  EXPECT_EQ(platform.files[file],
            "[Other]\r\nK=v\r\n[ColorBox]\r\nCB2=255\r\nCB1=16777215\r\nCB3=16777215\r\n"
            "CB4=16777215\r\nCB5=16777215\r\nCB6=16777215\r\n");
}

TEST(FormLifecycle, FailedWriteIsShownAndTheRunStillEnds) {
  NullPlatform platform;
  const std::string folder = "C:\\Users\\Public\\Documents\\Quorvane\\Velmora\\Config.ini";
  platform.folders = {"C:",
                      "C:\\Users",
                      "C:\\Users\\Public",
                      "C:\\Users\\Public\\Documents",
                      "C:\\Users\\Public\\Documents\\Quorvane",
                      "C:\\Users\\Public\\Documents\\Quorvane\\Velmora",
                      folder};
  platform.eventLoopBody = [&] { platform.SendClick({210, 20}); };
  EXPECT_EQ(RunVelmora(), 0);
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].caption, "Velmora 3.6");
  EXPECT_EQ(platform.errorBoxes[0].text, "Unable to write to " + folder + ".");
}

// A window that cannot be made (no display, no resources left) is reported
// in the error box and ends the run with a failure code, never an abort.
TEST(FormLifecycle, AWindowThatCannotBeMadeIsShownAndEndsTheRun) {
  struct NoWindowPlatform : NullPlatform {
    std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc&, const std::string&,
                                              IWindowEvents&) override {
      throw std::runtime_error("Cannot create the main window");
    }
  } platform;
  EXPECT_EQ(RunVelmora(), 1);
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].caption, "Velmora 3.6");
  EXPECT_EQ(platform.errorBoxes[0].text, "Cannot create the main window.");
  EXPECT_EQ(ManagerInstance, nullptr);
}

TEST(FormLifecycle, SessionEndKeepsTheColours) {
  NullPlatform platform;
  platform.eventLoopBody = [&] {
    platform.SendTimer();
    platform.SendHotKey(ManagerInstance->HotKeySave());
    platform.SendSessionEnd();
    EXPECT_NE(platform.files[kConfig].find("CB1=0\r\n"), std::string::npos);
    platform.SendClick({210, 20});
  };
  EXPECT_EQ(RunVelmora(), 0);
}

TEST(ErrorDisplay, FullStopRule) {
  const std::pair<const char*, const char*> cases[] = {
      {"Cannot open clipboard", "Cannot open clipboard."},
      {"Done.", "Done."},
      {"", ""},
      {"Line\r\n", "Line\r\n"},
      {"Trailing ", "Trailing "},
      {"Wow!", "Wow!"},
      {"Quote\"", "Quote\""},
      {"Dash-", "Dash-"},
      {"Comma,", "Comma,"},
      {"Slash/", "Slash/."},
      {"Digit 5", "Digit 5."},
      {"Colon:", "Colon:."},
      {"Paren)", "Paren)"},
      {"Hash#", "Hash#"},
  };
  for (const auto& c : cases) EXPECT_EQ(TApplication::BoxText(c.first), c.second) << c.first;
}

TEST(ErrorDisplay, CancelsCaptureDropsSilentAbortsAndUsesTheTitle) {
  NullPlatform platform;
  TApplication app;
  app.Title = kApplicationTitle;
  platform.pointerCaptured = true;
  app.HandleException(std::make_exception_ptr(ESilentAbort()));
  EXPECT_EQ(platform.captureCancels, 1);
  EXPECT_TRUE(platform.errorBoxes.empty());
  app.HandleException(std::make_exception_ptr(EVelmoraError("Broken")));
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].caption, "Velmora 3.6");
  EXPECT_EQ(platform.errorBoxes[0].text, "Broken.");
}

}  // namespace
}  // namespace velmora
