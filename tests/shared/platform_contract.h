// What every backend promises the portable code, written once against
// IPlatform and IWindow: the clipboard, hot keys, the pixel under the
// pointer and the window's events. Each backend's tests supply a driver (the
// parts no program does to itself: another program holding the clipboard,
// the user pressing a key) and instantiate the suite with it:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(OnMyBackend, PlatformContract, MyDriver);
//
// The driver is a ContractDriver that is default-constructible; it makes its
// backend the current platform for its lifetime (and undoes that after).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/shared/scripted_events.h"

namespace velmora {

class ContractDriver {
 public:
  virtual ~ContractDriver() = default;

  // Shows `color` on the screen around `p` and rests the pointer on `p`. The
  // screen may show it a moment later: tests read until it does.
  virtual void ShowColorAt(Point p, TColor color) = 0;
  // The clipboard's text as another program reads it.
  virtual std::string ClipboardTextSeenElsewhere() = 0;
  // Whether another program can hold the clipboard so that we cannot write
  // it (X11's selections cannot be held: any program may take them any time).
  virtual bool ClipboardCanBeHeld() const { return true; }
  // Another program takes (true) or gives back (false) the clipboard.
  virtual void HoldClipboardElsewhere(bool hold) = 0;
  // Another program takes (true) or gives back (false) a key combination.
  virtual void HoldHotKeyElsewhere(HotKey key, bool hold) = 0;
  // The user presses the key; our window runs its event loop.
  virtual void PressHotKey(HotKey key) = 0;
  // The window's timer fires once, as the system would report it.
  virtual void DeliverTimerTick(IWindow& window) = 0;
  // Runs the window's event loop and calls `body` once inside it, then
  // closes the window; returns when the loop has ended.
  virtual void WithinEventLoop(IWindow& window, const std::function<void()>& body) = 0;
  // Lets the platform deliver events until `done` holds or about
  // `milliseconds` have passed; returns the last value of `done`.
  virtual bool PumpUntil(const std::function<bool()>& done, int milliseconds) = 0;
};

template <typename Driver>
class PlatformContract : public ::testing::Test {
 protected:
  ~PlatformContract() override { SetExceptionHandler(nullptr); }

  std::unique_ptr<IWindow> MakeWindow(ScriptedEvents& events) {
    WindowDesc desc;
    desc.caption = "Velmora contract";
    desc.width = 120;
    desc.height = 40;
    return Platform().CreateMainWindow(desc, "Velmora contract", events);
  }
  // Reads the pixel under the pointer until it is `color` (the screen may
  // lag behind); returns the last reading.
  PixelReading ReadUntil(TColor color) {
    PixelReading reading;
    driver.PumpUntil(
        [&] {
          reading = Platform().ReadPixelUnderPointer();
          return reading.ok && reading.color == color;
        },
        3000);
    return reading;
  }

  Driver driver;
};

TYPED_TEST_SUITE_P(PlatformContract);

TYPED_TEST_P(PlatformContract, ClipboardTakesTextAndReplacesIt) {
  ScriptedEvents events;
  auto window = this->MakeWindow(events);
  for (const char* text : {"#4169E1", "65, 105, 225"}) {
    EXPECT_EQ(Platform().SetClipboardText(window.get(), text), ClipboardResult::Ok);
    EXPECT_EQ(this->driver.ClipboardTextSeenElsewhere(), text);
  }
  EXPECT_EQ(Platform().SetClipboardText(nullptr, "#000000"), ClipboardResult::Ok);
  EXPECT_EQ(this->driver.ClipboardTextSeenElsewhere(), "#000000");
}

TYPED_TEST_P(PlatformContract, ClipboardHeldElsewhereIsBusyAndKeepsItsText) {
  if (!this->driver.ClipboardCanBeHeld()) GTEST_SKIP() << "no program can hold this clipboard";
  ScriptedEvents events;
  auto window = this->MakeWindow(events);
  ASSERT_EQ(Platform().SetClipboardText(window.get(), "kept"), ClipboardResult::Ok);
  this->driver.HoldClipboardElsewhere(true);
  EXPECT_EQ(Platform().SetClipboardText(window.get(), "lost"), ClipboardResult::Busy);
  this->driver.HoldClipboardElsewhere(false);
  EXPECT_EQ(this->driver.ClipboardTextSeenElsewhere(), "kept");
  EXPECT_EQ(Platform().SetClipboardText(window.get(), "after"), ClipboardResult::Ok);
  EXPECT_EQ(this->driver.ClipboardTextSeenElsewhere(), "after");
}

TYPED_TEST_P(PlatformContract, HotKeysHaveDistinctIdentifiersAndReachTheWindow) {
  ScriptedEvents events;
  std::vector<int> heard;
  events.hotKey = [&](int id) { heard.push_back(id); };
  auto window = this->MakeWindow(events);
  // Alt+Z and Alt+C are the keys the user turns on.
  const HotKey keys[] = {HotKey::AltD, HotKey::AltH, HotKey::AltS, HotKey::AltZ, HotKey::AltC};
  std::vector<int> ids;
  for (HotKey key : keys) {
    const HotKeyRegistration registration = window->BindHotKey(key);
    EXPECT_TRUE(registration.registered) << static_cast<int>(key);
    ids.push_back(registration.id);
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    for (size_t j = i + 1; j < ids.size(); ++j) EXPECT_NE(ids[i], ids[j]) << i << " " << j;
  }

  this->driver.WithinEventLoop(*window, [&] {
    for (size_t i = 0; i < ids.size(); ++i) {
      this->driver.PressHotKey(keys[i]);
      EXPECT_TRUE(this->driver.PumpUntil([&] { return heard.size() > i; }, 3000)) << i;
    }
  });
  EXPECT_EQ(heard, ids);
  for (int id : ids) window->UnbindHotKey(id);
}

TYPED_TEST_P(PlatformContract, HotKeyHeldElsewhereFailsAloneAndUnregisteringStopsOne) {
  ScriptedEvents events;
  std::vector<int> heard;
  events.hotKey = [&](int id) { heard.push_back(id); };
  auto window = this->MakeWindow(events);
  this->driver.HoldHotKeyElsewhere(HotKey::AltD, true);
  const HotKeyRegistration d = window->BindHotKey(HotKey::AltD);
  const HotKeyRegistration h = window->BindHotKey(HotKey::AltH);
  const HotKeyRegistration s = window->BindHotKey(HotKey::AltS);
  EXPECT_FALSE(d.registered);
  EXPECT_TRUE(h.registered);
  EXPECT_TRUE(s.registered);
  EXPECT_NE(d.id, h.id);
  EXPECT_NE(d.id, s.id);

  this->driver.WithinEventLoop(*window, [&] {
    this->driver.PressHotKey(HotKey::AltH);
    EXPECT_TRUE(this->driver.PumpUntil([&] { return !heard.empty(); }, 3000));
    window->UnbindHotKey(h.id);
    this->driver.PressHotKey(HotKey::AltD);  // the other program's
    this->driver.PressHotKey(HotKey::AltH);  // no longer ours
    this->driver.PressHotKey(HotKey::AltS);
    EXPECT_TRUE(this->driver.PumpUntil([&] { return heard.size() >= 2; }, 3000));
    this->driver.PumpUntil([] { return false; }, 200);  // anything else would come now
  });
  EXPECT_EQ(heard, (std::vector<int>{h.id, s.id}));
  window->UnbindHotKey(d.id);
  window->UnbindHotKey(s.id);
  this->driver.HoldHotKeyElsewhere(HotKey::AltD, false);
}

TYPED_TEST_P(PlatformContract, ReadsThePixelUnderThePointerAfreshEachTime) {
  const Point p{220, 320};
  for (TColor color : {0x00563412, 0x00E16941, 0x00563412}) {
    this->driver.ShowColorAt(p, color);
    const PixelReading reading = this->ReadUntil(color);
    ASSERT_TRUE(reading.ok) << reading.error;
    EXPECT_EQ(reading.color, color);
    EXPECT_EQ(reading.position.x, p.x);
    EXPECT_EQ(reading.position.y, p.y);
  }
  const Rect screen = Platform().PrimaryScreen();
  EXPECT_TRUE(screen.Contains(p));
}

// The magnifier's block: every pixel of it from one read, the pixels off
// every monitor black.
TYPED_TEST_P(PlatformContract, ReadsABlockAroundThePointerWithPixelsOffTheScreenBlack) {
  const Point p{220, 320};
  const TColor color = 0x00E16941;
  this->driver.ShowColorAt(p, color);
  const PixelReading alone = this->ReadUntil(color);
  ASSERT_EQ(alone.color, color);
  const Rect area{p.x - 7, p.y - 7, 15, 15};
  const PixelBlock block = Platform().ReadPixelBlock(area);
  EXPECT_EQ(block.area, area);
  ASSERT_EQ(block.pixels.size(), 225u);
  for (std::size_t i = 0; i < block.pixels.size(); ++i) ASSERT_EQ(block.pixels[i], color) << i;

  // The pointer's pixel and its block together: the same reading, the block
  // centred on it.
  PixelBlock around;
  const PixelReading both = Platform().ReadPixelAndBlockUnderPointer(7, around);
  ASSERT_TRUE(both.ok);
  EXPECT_EQ(both.position.x, alone.position.x);
  EXPECT_EQ(both.position.y, alone.position.y);
  EXPECT_EQ(both.color, color);
  EXPECT_EQ(around.area, BlockAround(both.position, 7));
  EXPECT_EQ(around.pixels, block.pixels);

  // Over the primary screen's top-left corner, with no monitor beside it.
  const Rect screen = Platform().PrimaryScreen();
  const PixelBlock corner = Platform().ReadPixelBlock(Rect{screen.x - 2, screen.y - 2, 4, 4});
  ASSERT_EQ(corner.pixels.size(), 16u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(corner.At(i, 0), kOffScreenColor);
    EXPECT_EQ(corner.At(0, i), kOffScreenColor);
  }
}

// The monitors the sample's average keeps to: the primary screen among
// them, the pointer on one of them.
TYPED_TEST_P(PlatformContract, MonitorsHoldThePrimaryScreenAndThePointer) {
  const Point p{220, 320};
  this->driver.ShowColorAt(p, 0x00123456);
  const PixelReading reading = this->ReadUntil(0x00123456);
  ASSERT_TRUE(reading.ok);
  const std::vector<Rect> monitors = Platform().Monitors();
  const Rect primary = Platform().PrimaryScreen();
  bool hasPrimary = false;
  bool hasPointer = false;
  for (const Rect& monitor : monitors) {
    EXPECT_FALSE(monitor.Empty());
    hasPrimary = hasPrimary || monitor == primary;
    hasPointer = hasPointer || monitor.Contains(reading.position);
  }
  EXPECT_TRUE(hasPrimary);
  EXPECT_TRUE(hasPointer);
}

TYPED_TEST_P(PlatformContract, ShowComesFirstAndNoTickFollowsTheLoop) {
  ScriptedEvents events;
  std::vector<std::string> order;
  std::unique_ptr<IWindow> window = this->MakeWindow(events);
  events.show = [&] {
    order.push_back("show");
    window->StartTimer(20);
  };
  events.timer = [&] { order.push_back("tick"); };
  this->driver.WithinEventLoop(*window, [&] {
    EXPECT_TRUE(this->driver.PumpUntil([&] { return order.size() >= 3; }, 3000));
  });
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], "show");
  EXPECT_EQ(order[1], "tick");

  const size_t afterLoop = order.size();
  this->driver.DeliverTimerTick(*window);
  this->driver.PumpUntil([] { return false; }, 200);
  EXPECT_EQ(order.size(), afterLoop);
}

TYPED_TEST_P(PlatformContract, ExceptionsFromHandlersReachTheHandlerAndTheLoopGoesOn) {
  std::vector<std::string> caught;
  SetExceptionHandler([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      caught.push_back(e.what());
    }
  });
  ScriptedEvents events;
  int ticks = 0;
  std::unique_ptr<IWindow> window = this->MakeWindow(events);
  events.show = [&] {
    window->StartTimer(20);
    throw std::runtime_error("show");
  };
  events.timer = [&] {
    if (++ticks == 1) throw std::runtime_error("tick");
  };
  this->driver.WithinEventLoop(*window, [&] {
    EXPECT_TRUE(this->driver.PumpUntil([&] { return ticks >= 3; }, 3000));
  });
  EXPECT_EQ(caught, (std::vector<std::string>{"show", "tick"}));
}

TYPED_TEST_P(PlatformContract, DestroyRunsOnDestroyOnceAndDroppingRunsNone) {
  ScriptedEvents events;
  int destroyed = 0;
  events.destroy = [&] { ++destroyed; };
  std::unique_ptr<IWindow> window = this->MakeWindow(events);
  window->Destroy();
  window->Destroy();
  window.reset();
  EXPECT_EQ(destroyed, 1);

  window = this->MakeWindow(events);
  window.reset();  // never destroyed: the form hears nothing
  EXPECT_EQ(destroyed, 1);
}

REGISTER_TYPED_TEST_SUITE_P(PlatformContract, ClipboardTakesTextAndReplacesIt,
                            ClipboardHeldElsewhereIsBusyAndKeepsItsText,
                            HotKeysHaveDistinctIdentifiersAndReachTheWindow,
                            HotKeyHeldElsewhereFailsAloneAndUnregisteringStopsOne,
                            ReadsThePixelUnderThePointerAfreshEachTime,
                            ReadsABlockAroundThePointerWithPixelsOffTheScreenBlack,
                            MonitorsHoldThePrimaryScreenAndThePointer,
                            ShowComesFirstAndNoTickFollowsTheLoop,
                            ExceptionsFromHandlersReachTheHandlerAndTheLoopGoesOn,
                            DestroyRunsOnDestroyOnceAndDroppingRunsNone);

}  // namespace velmora
