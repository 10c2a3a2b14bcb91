// The native main window: its frame, painting, input, moving, tooltips and
// the exception boundary around every event it reports.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Color.h"
#include "platform/win32/Win32Canvas.h"
#include "tests/wine/Win32TestSupport.h"

namespace velmora {
namespace {

constexpr TColor kBlue = 0x00E16941;  // #4169E1
constexpr TColor kPatch = 0x00563412;
constexpr TColor kRed = 0x000000FF;
constexpr int kMaxTicks = 60;

TColor ScreenPixel(int x, int y) {
  HDC screen = ::GetDC(nullptr);
  const auto color = static_cast<TColor>(::GetPixel(screen, x, y));
  ::ReleaseDC(nullptr, screen);
  return color;
}

BOOL CALLBACK CollectTooltips(HWND h, LPARAM found) {
  char cls[64];
  ::GetClassNameA(h, cls, sizeof cls);
  if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
  return TRUE;
}

class Win32Window : public Win32Test {
 protected:
  void TearDown() override { Destroy(); }

  void Create(Rect bounds = Rect{376, 153, 272, 32}) {
    WindowDesc desc;
    desc.caption = "Velmora";
    desc.width = 272;
    desc.height = 346;
    desc.background = kBlue;
    desc.topmost = true;
    window = Platform().CreateMainWindow(desc, "Velmora 3.6", events);
    hwnd = HwndOf(window.get());
    bounds_ = bounds;
  }

  // Shows the window at its bounds and runs the event loop with a 50 ms
  // timer; `tick` gets 1, 2, ... and the loop ends when it returns false.
  void RunTicks(const std::function<bool(int)>& tick) {
    int n = 0;
    bool closing = false;
    const std::function<void()> show = events.show;
    events.show = [&] {
      window->SetBounds(bounds_);
      window->StartTimer(50);
      if (show) show();
    };
    events.timer = [&] {
      if (closing) return;
      const int current = ++n;
      if (current >= kMaxTicks || !tick(current)) {
        closing = true;
        window->Close();
      }
    };
    window->RunEventLoop();
    events.show = show;
    events.timer = nullptr;
    EXPECT_LT(n, kMaxTicks) << "the script did not finish";
  }

  void Destroy() {
    if (window != nullptr) window->Destroy();
    window.reset();
  }

  ScriptedEvents events;
  std::unique_ptr<IWindow> window;
  HWND hwnd = nullptr;

 private:
  Rect bounds_;
};

TEST_F(Win32Window, EveryCallbackIsGuardedAndTheLoopGoesOn) {
  std::vector<std::string> caught;
  SetExceptionHandler([&](std::exception_ptr e) { caught.push_back(Describe(e)); });
  Create();
  events.show = [] { throw std::runtime_error("show"); };
  events.paint = [](ICanvas&, const Rect&) { throw std::runtime_error("paint"); };
  bool aliveInDestroy = false;
  int lateEvents = 0;
  events.destroy = [&] {
    aliveInDestroy = ::IsWindow(hwnd) != FALSE;
    // As an error box of the destruction step would: dispatch for a while.
    // The timer no longer ticks and a late hot key is not reported.
    events.timer = [&] { ++lateEvents; };
    events.hotKey = [&](int) { ++lateEvents; };
    ::PostMessageA(hwnd, WM_HOTKEY, 5, 0);
    PumpMessages(300);
    throw std::logic_error("destroy");
  };
  int sessionEnds = 0;
  events.sessionEnd = [&] { ++sessionEnds; };

  RunTicks([](int n) {
    if (n == 1) throw 42;  // not even a std::exception
    return n < 3;
  });

  // Closed, not destroyed.
  ASSERT_TRUE(::IsWindow(hwnd));
  const HWND owner = ::GetWindow(hwnd, GW_OWNER);
  // Session end is told once it is final, and only once.
  ::SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0);
  ::SendMessageA(hwnd, WM_ENDSESSION, FALSE, 0);  // cancelled
  EXPECT_EQ(sessionEnds, 0);
  ::SendMessageA(hwnd, WM_ENDSESSION, TRUE, 0);
  ::SendMessageA(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(sessionEnds, 1);

  Destroy();
  EXPECT_TRUE(aliveInDestroy);
  EXPECT_EQ(lateEvents, 0);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindow(owner));
  caught.erase(std::unique(caught.begin(), caught.end()), caught.end());
  EXPECT_EQ(caught, (std::vector<std::string>{"show", "paint", "int 42", "destroy"}));
}

TEST_F(Win32Window, WithoutAHandlerExceptionsAreDropped) {
  Create();
  int ticks = 0;
  events.timer = [&] {
    ++ticks;
    throw std::runtime_error("tick");
  };
  WithinEventLoop(*window, [&] {
    ::SendMessageA(hwnd, WM_TIMER, 1, 0);
    ::SendMessageA(hwnd, WM_TIMER, 1, 0);
  });
  EXPECT_EQ(ticks, 2);
}

TEST_F(Win32Window, BorderlessTopmostFrameShowsWhatTheFormPaints) {
  Create(Rect{376, 153, 272, 32});
  std::vector<Rect> dirty;
  Size measured;
  events.paint = [&](ICanvas& canvas, const Rect& r) {
    dirty.push_back(r);
    measured = canvas.MeasureText("Hex:", FontRole::Strip);
    canvas.FillRect(Rect{10, 10, 20, 12}, kPatch);
    canvas.FrameRect(Rect{40, 4, 20, 20}, kRed);
    canvas.PaintText(Rect{70, 2, 60, 13}, "Hex:", FontRole::Strip, kWhite, TextAlign::Left);
  };
  const auto at = [](int x, int y) { return ScreenPixel(376 + x, 153 + y); };
  const auto drawn = [&] {
    return at(15, 15) == kPatch && at(40, 4) == kRed && at(59, 23) == kRed && at(45, 10) == kBlue &&
           at(0, 0) == kBlue && at(271, 31) == kBlue;
  };
  bool wasDrawn = false;
  int textPixels = 0;
  int textRight = 0;  // one past the rightmost pixel of the text
  Rect bounds;
  std::vector<Rect> repainted;
  bool invalidated = false;
  RunTicks([&](int) {
    if (!invalidated) {
      if (!drawn()) return true;  // not on the screen yet
      wasDrawn = true;
      for (int y = 2; y < 15; ++y) {
        for (int x = 70; x < 130; ++x) {
          if (at(x, y) != kWhite) continue;
          ++textPixels;
          textRight = std::max(textRight, x + 1);
        }
      }
      bounds = window->Bounds();
      dirty.clear();
      window->Invalidate(Rect{100, 5, 10, 10});
      invalidated = true;
      return true;
    }
    repainted = dirty;
    return false;
  });

  EXPECT_TRUE(wasDrawn);
  EXPECT_GT(textPixels, 5);
  // The text lies within the width measured for it, and fills most of it.
  EXPECT_LE(textRight, 70 + measured.width);
  EXPECT_GE(textRight, 70 + measured.width / 2);
  EXPECT_GE(measured.height, 8);
  EXPECT_EQ(bounds, (Rect{376, 153, 272, 32}));
  ASSERT_EQ(repainted.size(), 1u);
  EXPECT_EQ(repainted[0], (Rect{100, 5, 10, 10}));

  char text[64];
  ::GetWindowTextA(hwnd, text, sizeof text);
  EXPECT_STREQ(text, "Velmora");
  const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_SYSMENU), 0);
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_NE(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // The task-bar entry belongs to the visible, unowned owner with the title.
  const HWND owner = ::GetWindow(hwnd, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  ::GetWindowTextA(owner, text, sizeof text);
  EXPECT_STREQ(text, "Velmora 3.6");
  EXPECT_TRUE(::IsWindowVisible(owner));
  EXPECT_EQ(::GetWindow(owner, GW_OWNER), nullptr);
  EXPECT_EQ(::GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
}

TEST_F(Win32Window, InputReachesTheFormInClientPixels) {
  Create(Rect{300, 300, 272, 32});
  std::vector<std::pair<Point, MouseButton>> downs, ups;
  Point lastMove{-1, -1};
  int leaves = 0;
  std::vector<int> hotKeys;
  events.down = [&](Point p, MouseButton b) { downs.push_back({p, b}); };
  events.up = [&](Point p, MouseButton b) { ups.push_back({p, b}); };
  events.move = [&](Point p) { lastMove = p; };
  events.leave = [&] { ++leaves; };
  events.hotKey = [&](int id) { hotKeys.push_back(id); };
  events.pointer = [](Point p) { return p.x < 100 ? PointerShape::Hand : PointerShape::Move; };
  HotKeyRegistration altH;
  events.show = [&] { altH = window->BindHotKey(HotKey::AltH); };
  const HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND);
  const HCURSOR sizeAll = ::LoadCursorA(nullptr, IDC_SIZEALL);
  HCURSOR overLink = nullptr, overStrip = nullptr;
  Point moveOverLink{-1, -1};

  RunTicks([&](int n) {
    switch (n) {
      case 1:
        MovePointerTo(320, 310);
        return true;
      case 3:
        moveOverLink = lastMove;
        overLink = ::GetCursor();
        PressButton(MouseButton::Left, true);
        PressButton(MouseButton::Left, false);
        PressButton(MouseButton::Middle, true);
        PressButton(MouseButton::Middle, false);
        return true;
      case 5:
        MovePointerTo(500, 310);
        return true;
      case 7:
        overStrip = ::GetCursor();
        PressAltWith('H');
        return true;
      case 9:
        MovePointerTo(900, 700);
        return true;
      default:
        return n < 9 || leaves == 0;
    }
  });
  window->UnbindHotKey(altH.id);

  EXPECT_EQ(moveOverLink.x, 20);
  EXPECT_EQ(moveOverLink.y, 10);
  EXPECT_EQ(overLink, hand);
  EXPECT_EQ(overStrip, sizeAll);
  ASSERT_EQ(downs.size(), 2u);
  ASSERT_EQ(ups.size(), 2u);
  EXPECT_TRUE(downs[0].first.x == 20 && downs[0].first.y == 10);
  EXPECT_TRUE(downs[0].second == MouseButton::Left && ups[0].second == MouseButton::Left);
  EXPECT_TRUE(downs[1].second == MouseButton::Middle && ups[1].second == MouseButton::Middle);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_TRUE(altH.registered);
  EXPECT_EQ(hotKeys, std::vector<int>{altH.id});
  EXPECT_EQ(leaves, 1);
}

TEST_F(Win32Window, DragMovesTheWindowUntilThatButtonIsReleased) {
  Create(Rect{200, 200, 272, 32});
  // One window for all buttons: each run of the loop puts it back first.
  for (MouseButton button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
    SCOPED_TRACE(static_cast<int>(button));
    events.down = [&](Point, MouseButton pressed) { window->BeginMove(pressed); };
    Rect afterRelease;
    Rect afterMovingOn;
    // Ticks go on inside the move loop: they drive the drag.
    RunTicks([&](int n) {
      switch (n) {
        case 1:
          MovePointerTo(250, 210);
          break;
        case 3:
          PressButton(button, true);
          break;
        case 5:
          MovePointerTo(300, 240);
          break;
        case 7:
          MovePointerTo(330, 260);
          break;
        case 9:
          PressButton(button, false);
          break;
        case 11:
          afterRelease = window->Bounds();
          MovePointerTo(600, 500);
          break;
        case 13:
          afterMovingOn = window->Bounds();
          return false;
      }
      return true;
    });
    EXPECT_EQ(afterRelease, (Rect{280, 250, 272, 32}));
    EXPECT_EQ(afterMovingOn, afterRelease);
    EXPECT_EQ(::GetCapture(), nullptr);
  }
}

TEST_F(Win32Window, TooltipsShareOneControlAndFollowTheirText) {
  Create();
  window->SetTooltip(7, Rect{240, 16, 17, 17}, "Open Color Box");
  window->SetTooltip(9, Rect{200, 16, 22, 13}, "Exit");
  window->SetTooltip(7, Rect{240, 16, 17, 17}, "Hide Color Box");

  // Made once the pointer comes over the window, with every tool set so far.
  std::vector<HWND> before, tips;
  RunTicks([&](int) {
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectTooltips, reinterpret_cast<LPARAM>(&before));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    window->SetTooltip(11, Rect{40, 16, 46, 13}, "Visit Velmora HomePage");
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectTooltips, reinterpret_cast<LPARAM>(&tips));
    return false;
  });
  EXPECT_EQ(before.size(), 0u);
  ASSERT_EQ(tips.size(), 1u);
  EXPECT_EQ(::SendMessageA(tips[0], TTM_GETTOOLCOUNT, 0, 0), 3);

  char text[80] = "";
  TTTOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = hwnd;
  ti.uId = 7;
  ti.lpszText = text;
  ::SendMessageA(tips[0], TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(text, "Hide Color Box");
  ASSERT_TRUE(::SendMessageA(tips[0], TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_TRUE(ti.rect.left == 240 && ti.rect.top == 16 && ti.rect.right == 257 &&
              ti.rect.bottom == 33);
}

TEST(Win32Dpi, ScalesBetweenFormPixelsAndPhysicalPixels) {
  struct Case {
    int dpi;
    Rect logical;
    RECT rounded;   // edges rounded (painting)
    RECT covering;  // every touched physical pixel (invalidation)
  };
  const Case cases[] = {
      {96, {10, 20, 30, 40}, {10, 20, 40, 60}, {10, 20, 40, 60}},
      {144, {10, 20, 30, 40}, {15, 30, 60, 90}, {15, 30, 60, 90}},
      {120, {1, 1, 28, 30}, {1, 1, 36, 39}, {1, 1, 37, 39}},
      {144, {-3, 0, 2, 1}, {-5, 0, -2, 2}, {-5, 0, -1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const DpiScale scale{c.dpi};
    const RECT rounded = scale.ToPhysical(c.logical);
    const RECT covering = scale.Covering(c.logical);
    EXPECT_TRUE(::EqualRect(&rounded, &c.rounded))
        << rounded.left << "," << rounded.top << "," << rounded.right << "," << rounded.bottom;
    EXPECT_TRUE(::EqualRect(&covering, &c.covering))
        << covering.left << "," << covering.top << "," << covering.right << "," << covering.bottom;
    // Back to form pixels, the covering rectangle holds the original one.
    const Rect back = scale.CoveringLogical(covering);
    EXPECT_EQ(back.Intersect(c.logical), c.logical);
  }
}

}  // namespace
}  // namespace velmora
