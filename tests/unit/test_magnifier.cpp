#include <gtest/gtest.h>

#include "platform/null/NullPlatform.h"
#include "ui/Magnifier.h"

namespace velmora {
namespace {

// A picture whose every pixel differs from its neighbours: the colour
// encodes the position.
TColor PictureAt(int x, int y) {
  return ((x * 7) & 0xFF) | (((y * 11) & 0xFF) << 8) | (((x + y) & 0xFF) << 16);
}

void PaintPicture(NullPlatform& platform, const Rect& area) {
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x)
      platform.screenPixels[{x, y}] = PictureAt(x, y);
  }
}

// The colour shown in the middle of the loupe's cell for block pixel (column, row).
TColor CellColor(const std::vector<TColor>& image, int zoom, int column, int row) {
  const int side = MagnifierSide(zoom);
  const int middle = 1 + (zoom - 1) / 2;
  return image[static_cast<std::size_t>((row * zoom + middle) * side + column * zoom + middle)];
}

// A tick as the form makes it: the pointer's pixel and block from one read.
void Tick(TMagnifier& magnifier, NullPlatform& platform, Point pointer) {
  platform.pointer = pointer;
  PixelBlock block;
  ASSERT_TRUE(Platform().ReadPixelAndBlockUnderPointer(kMagnifierRadius, block).ok);
  magnifier.Update(pointer, platform.screen, std::move(block));
}

TEST(Magnifier, PlacementKeepsClearOfTheBlockAndOnTheScreen) {
  const Rect screen{0, 0, 1024, 768};
  const int side = MagnifierSide(8);
  struct Case {
    Point pointer;
    bool right;  // the loupe is right of the pointer
    bool below;
  };
  const Case cases[] = {
      {{500, 300}, true, true},
      {{1023, 300}, false, true},
      {{500, 767}, true, false},
      {{1000, 700}, false, false},
      {{0, 0}, true, true},
      {{1024 - side - kMagnifierGap, 10}, true, true},
      {{1024 - side - kMagnifierGap + 1, 10}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pointer.x << "," << c.pointer.y);
    const Rect loupe = PlaceMagnifier(c.pointer, side, screen);
    EXPECT_EQ(loupe.width, side);
    EXPECT_TRUE(loupe.Intersect(MagnifierBlock(c.pointer)).Empty());
    EXPECT_FALSE(loupe.Contains(c.pointer));
    EXPECT_EQ(loupe.Intersect(screen), loupe);
    EXPECT_EQ(loupe.x > c.pointer.x, c.right);
    EXPECT_EQ(loupe.y > c.pointer.y, c.below);
  }
}

TEST(Magnifier, FrameContrastsWithTheSampledPixel) {
  const std::pair<TColor, TColor> cases[] = {
      {0x00FFFFFF, 0x00000000}, {0x0000FFFF, 0x00000000}, {0x0000FF00, 0x00000000},
      {0x00000000, 0x00FFFFFF}, {0x00FF0000, 0x00FFFFFF}, {0x000000FF, 0x00FFFFFF},
      {0x007F7F7F, 0x00FFFFFF}, {0x00808080, 0x00000000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MagnifierFrameColor(c.first), c.second) << std::hex << c.first;
}

TEST(Magnifier, RenderEnlargesEveryPixelWithAGridAndFramesTheCentre) {
  PixelBlock block;
  block.area = MagnifierBlock({100, 100});
  for (int row = 0; row < kMagnifierCells; ++row) {
    for (int column = 0; column < kMagnifierCells; ++column)
      block.pixels.push_back(PictureAt(column, row));
  }
  for (int zoom : {2, 8, 16}) {
    SCOPED_TRACE(zoom);
    const std::vector<TColor> image = RenderMagnifier(block, zoom);
    const int side = MagnifierSide(zoom);
    ASSERT_EQ(image.size(), static_cast<std::size_t>(side * side));
    for (int row = 0; row < kMagnifierCells; ++row) {
      for (int column = 0; column < kMagnifierCells; ++column) {
        ASSERT_EQ(CellColor(image, zoom, column, row), PictureAt(column, row))
            << column << "," << row;
      }
    }
    // Every cell is one colour edge to edge (nearest neighbour), grid between.
    const int cell = 3 * zoom;  // cell (3, 3)
    EXPECT_EQ(image[(cell + 1) * side + cell + 1], PictureAt(3, 3));
    EXPECT_EQ(image[(cell + zoom - 1) * side + cell + zoom - 1], PictureAt(3, 3));
    EXPECT_EQ(image[cell * side + cell + 1], kMagnifierGridColor);
    EXPECT_EQ(image[(side - 1) * side + side - 1], kMagnifierGridColor);
    // The centre cell's border is the frame's colour all round.
    const TColor frame = MagnifierFrameColor(PictureAt(7, 7));
    const int c0 = 7 * zoom;
    for (int i = 0; i <= zoom; ++i) {
      EXPECT_EQ(image[c0 * side + c0 + i], frame);
      EXPECT_EQ(image[(c0 + zoom) * side + c0 + i], frame);
      EXPECT_EQ(image[(c0 + i) * side + c0], frame);
      EXPECT_EQ(image[(c0 + i) * side + c0 + zoom], frame);
    }
  }
}

TEST(Magnifier, ShowsTheBlockFromOneReadAndRepaintsOnlyOnChange) {
  NullPlatform platform;
  PaintPicture(platform, Rect{400, 300, 40, 40});
  TMagnifier magnifier(8);
  EXPECT_EQ(platform.loupesCreated, 1);
  EXPECT_FALSE(platform.loupeVisible);

  Tick(magnifier, platform, {420, 320});
  EXPECT_EQ(platform.pointerBlockReads, 1);
  EXPECT_TRUE(platform.loupeVisible);
  EXPECT_EQ(platform.loupeCorner.x, 420 + kMagnifierGap);
  EXPECT_EQ(platform.loupeCorner.y, 320 + kMagnifierGap);
  for (int row = 0; row < kMagnifierCells; ++row) {
    for (int column = 0; column < kMagnifierCells; ++column) {
      ASSERT_EQ(CellColor(platform.loupePixels, 8, column, row),
                PictureAt(413 + column, 313 + row));
    }
  }
  // At rest: read again, nothing repainted.
  Tick(magnifier, platform, {420, 320});
  Tick(magnifier, platform, {420, 320});
  EXPECT_EQ(platform.pointerBlockReads, 3);
  EXPECT_EQ(platform.loupePaints, 1);
  // A pixel of the block changes: one repaint.
  platform.screenPixels[{414, 314}] = 0x00123456;
  Tick(magnifier, platform, {420, 320});
  EXPECT_EQ(platform.loupePaints, 2);
  EXPECT_EQ(CellColor(platform.loupePixels, 8, 1, 1), 0x00123456);
  // The pointer moves over a plain area: the loupe follows, its image stays.
  Tick(magnifier, platform, {700, 100});
  Tick(magnifier, platform, {710, 100});
  EXPECT_EQ(platform.loupeCorner.x, 710 + kMagnifierGap);
  EXPECT_EQ(platform.loupePaints, 3);
}

TEST(Magnifier, NeverShowsItselfWhenThePointerJumpsOntoIt) {
  NullPlatform platform;
  PaintPicture(platform, Rect{0, 0, 300, 300});
  TMagnifier magnifier(8);
  Tick(magnifier, platform, {100, 100});
  // Straight into the loupe's middle: that tick's block shows the loupe.
  const Point onto{platform.loupeCorner.x + 60, platform.loupeCorner.y + 60};
  Tick(magnifier, platform, onto);
  EXPECT_TRUE(magnifier.Placement().Intersect(MagnifierBlock(onto)).Empty());
  // That tick only moved it away: it still shows the block it had.
  EXPECT_EQ(platform.loupePaints, 1);
  EXPECT_EQ(CellColor(platform.loupePixels, 8, 0, 0), PictureAt(93, 93));
  Tick(magnifier, platform, onto);
  for (int row = 0; row < kMagnifierCells; ++row) {
    for (int column = 0; column < kMagnifierCells; ++column) {
      ASSERT_EQ(CellColor(platform.loupePixels, 8, column, row),
                PictureAt(onto.x - 7 + column, onto.y - 7 + row));
    }
  }
}

TEST(Magnifier, PixelsOffTheScreenShowAsBlack) {
  NullPlatform platform;
  platform.screenFill = 0x00FFFFFF;
  TMagnifier magnifier(4);
  Tick(magnifier, platform, {0, 0});
  EXPECT_EQ(CellColor(platform.loupePixels, 4, 6, 6), kOffScreenColor);
  EXPECT_EQ(CellColor(platform.loupePixels, 4, 7, 6), kOffScreenColor);
  EXPECT_EQ(CellColor(platform.loupePixels, 4, 7, 7), 0x00FFFFFF);
  EXPECT_EQ(CellColor(platform.loupePixels, 4, 14, 14), 0x00FFFFFF);
}

}  // namespace
}  // namespace velmora
