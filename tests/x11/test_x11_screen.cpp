// The pixel under the pointer, read exactly where the canvas painted it, at
// the desktop's scale and on every monitor.
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/Xutil.h>

#include <cstdlib>

namespace velmora {
namespace {

// A colour of its own for every logical pixel of a 272 x 32 window.
TColor ColourAt(int x, int y) {
  return (x & 0xFF) | ((((x >> 8) & 3) | (y << 2)) << 8) | ((0x40 + y) << 16);
}

void PaintEveryPixel(ICanvas& canvas, const Rect&) {
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 272; ++x) canvas.FillRect(Rect{x, y, 1, 1}, ColourAt(x, y));
  }
}

class Screen : public X11Test {};

TEST_F(Screen, EveryDevicePixelReadsTheColourPaintedThere) {
  form.paint = PaintEveryPixel;
  WithWindow(Point{100, 50}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    // The desktop's scale, as the test's display was started with.
    const char* desktopScale = std::getenv("GDK_SCALE");
    EXPECT_EQ(scale, desktopScale != nullptr ? std::atoi(desktopScale) : 1);
    const Rect bounds = w.Bounds();
    ASSERT_EQ(bounds.x, 100);
    ASSERT_EQ(bounds.y, 50);
    // Device offsets into the window: corners, odd pixels inside a scaled pixel.
    const Point offsets[] = {{0, 0},
                             {1, 0},
                             {0, 1},
                             {1, 1},
                             {3, 5},
                             {255, 7},
                             {256 * scale + 1, 9},
                             {272 * scale - 1, 32 * scale - 1},
                             {137, 2 * scale + 1}};
    for (const Point& d : offsets) {
      const Point at{bounds.x + d.x, bounds.y + d.y};
      MovePointer(at);
      const PixelReading r = Platform().ReadPixelUnderPointer();
      ASSERT_TRUE(r.ok) << r.error;
      EXPECT_EQ(r.position.x, at.x);
      EXPECT_EQ(r.position.y, at.y);
      EXPECT_EQ(r.color, ColourAt(d.x / scale, d.y / scale))
          << "device offset " << d.x << "," << d.y << " at scale " << scale;
    }
  });
}

TEST_F(Screen, FramesAreOneLogicalPixelAndTextStaysInItsBox) {
  const Rect frame{10, 10, 20, 10};
  const Rect textBox{40, 2, 20, 14};
  form.paint = [&](ICanvas& canvas, const Rect&) {
    canvas.FrameRect(frame, 0x000000FF);
    canvas.PaintText(textBox, "WWWWWWWWWWWW", FontRole::Strip, 0x00000000, TextAlign::Left);
  };
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    Display* display = platform->XDisplay();
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, 272 * scale, 32 * scale,
                              AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    auto at = [&](int x, int y) { return XGetPixel(image, x, y) & 0xFFFFFF; };
    struct Case {
      Point logical;
      unsigned long rgb;
    };
    const Case cases[] = {{{10, 10}, 0xFF0000}, {{29, 10}, 0xFF0000}, {{10, 19}, 0xFF0000},
                          {{29, 19}, 0xFF0000}, {{20, 10}, 0xFF0000}, {{11, 11}, 0xFFFFFF},
                          {{28, 18}, 0xFFFFFF}, {{9, 9}, 0xFFFFFF},   {{30, 20}, 0xFFFFFF}};
    for (const Case& c : cases) {
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
          EXPECT_EQ(at(c.logical.x * scale + dx, c.logical.y * scale + dy), c.rgb)
              << "logical " << c.logical.x << "," << c.logical.y;
        }
      }
    }
    // The text reaches its box's right edge and not a pixel beyond it.
    bool inked = false;
    for (int y = textBox.y * scale; y < (textBox.y + textBox.height) * scale; ++y) {
      inked = inked || at((textBox.x + textBox.width) * scale - 1, y) != 0xFFFFFF;
      for (int x = (textBox.x + textBox.width) * scale; x < 100 * scale; ++x) {
        ASSERT_EQ(at(x, y), 0xFFFFFFu) << x << "," << y;
      }
    }
    EXPECT_TRUE(inked);
    XDestroyImage(image);
  });
}

// Run on a 2048 x 768 screen split into two monitors, the right one primary.
TEST_F(Screen, TwoMonitorsThePrimaryAndAPixelOnTheSecond) {
  const Rect primary = Platform().PrimaryScreen();
  EXPECT_EQ(primary, (Rect{1024, 0, 1024, 768}));
  form.paint = PaintEveryPixel;
  WithWindow(Point{1500, 300}, [&](IWindow&) {
    const Point offsets[] = {{0, 0}, {271, 31}, {100, 17}};
    for (const Point& d : offsets) {
      MovePointer(Point{1500 + d.x, 300 + d.y});
      const PixelReading r = Platform().ReadPixelUnderPointer();
      ASSERT_TRUE(r.ok);
      EXPECT_EQ(r.position.x, 1500 + d.x);
      EXPECT_EQ(r.color, ColourAt(d.x, d.y));
    }
  });
}

TEST_F(Screen, ThePrimaryScreenOfOneMonitorIsTheWholeScreenInDevicePixels) {
  Display* display = platform->XDisplay();
  EXPECT_EQ(Platform().PrimaryScreen(), (Rect{0, 0, DisplayWidth(display, DefaultScreen(display)),
                                              DisplayHeight(display, DefaultScreen(display))}));
}

}  // namespace
}  // namespace velmora
