#include "ui/Magnifier.h"

#include <algorithm>

namespace velmora {

namespace {

int Red(TColor c) {
  return c & 0xFF;
}
int Green(TColor c) {
  return (c >> 8) & 0xFF;
}
int Blue(TColor c) {
  return (c >> 16) & 0xFF;
}

}  // namespace

Rect MagnifierBlock(Point pointer) {
  return BlockAround(pointer, kMagnifierRadius);
}

int MagnifierSide(int zoom) {
  return kMagnifierCells * zoom + 1;
}

Rect PlaceMagnifier(Point pointer, int side, const Rect& screen) {
  int x = pointer.x + kMagnifierGap;
  if (x + side > screen.x + screen.width) x = pointer.x - kMagnifierGap - side;
  int y = pointer.y + kMagnifierGap;
  if (y + side > screen.y + screen.height) y = pointer.y - kMagnifierGap - side;
  return Rect{x, y, side, side};
}

TColor MagnifierFrameColor(TColor sampled) {
  const int luma = (299 * Red(sampled) + 587 * Green(sampled) + 114 * Blue(sampled)) / 1000;
  return luma >= 128 ? 0x00000000 : 0x00FFFFFF;
}

std::vector<TColor> RenderMagnifier(const PixelBlock& block, int zoom, int frameRadius) {
  const int side = MagnifierSide(zoom);
  std::vector<TColor> image(static_cast<std::size_t>(side * side), kMagnifierGridColor);
  auto fill = [&](int left, int top, int width, int height, TColor color) {
    for (int y = top; y < top + height; ++y) {
      std::fill_n(image.begin() + y * side + left, width, color);
    }
  };
  for (int row = 0; row < kMagnifierCells; ++row) {
    for (int column = 0; column < kMagnifierCells; ++column) {
      fill(column * zoom + 1, row * zoom + 1, zoom - 1, zoom - 1, block.At(column, row));
    }
  }
  // The sample's frame: its grid lines, and the ring inside them where the
  // cells are big enough to keep their colours showing.
  const int centre = kMagnifierCells / 2;
  const TColor frame = MagnifierFrameColor(block.At(centre, centre));
  const int rings = zoom >= 4 ? 2 : 1;
  for (int ring = 0; ring < rings; ++ring) {
    const int left = (centre - frameRadius) * zoom + ring;
    const int length = (2 * frameRadius + 1) * zoom + 1 - 2 * ring;
    fill(left, left, length, 1, frame);
    fill(left, left + length - 1, length, 1, frame);
    fill(left, left, 1, length, frame);
    fill(left + length - 1, left, 1, length, frame);
  }
  return image;
}

TMagnifier::TMagnifier(int zoom, int frameRadius)
    : FZoom(zoom),
      FFrameRadius(frameRadius),
      FSide(MagnifierSide(zoom)),
      FWindow(Platform().CreateLoupeWindow(FSide)) {}

void TMagnifier::Update(Point pointer, const Rect& screen, PixelBlock block) {
  const Rect placement = PlaceMagnifier(pointer, FSide, screen);
  const bool moved = !FPlaced || !(placement == FPlacement);
  // Where the loupe was when the block was read.
  const bool overBlock = FPlaced && !FPlacement.Intersect(block.area).Empty();
  if (moved) {
    FWindow->MoveTo(Point{placement.x, placement.y});
    FPlaced = true;
    FPlacement = placement;
  }
  if (overBlock && FShowing) return;
  if (FShowing && block.pixels == FShown.pixels) return;
  FWindow->ShowImage(RenderMagnifier(block, FZoom, FFrameRadius));
  FShowing = true;
  FShown = std::move(block);
}

}  // namespace velmora
