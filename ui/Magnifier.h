// The magnifier: a loupe beside the pointer showing the 15 x 15 device
// pixels around it enlarged, nearest neighbour, with a pixel grid and the
// sampled (centre) pixel framed. Each tick reads the block in one read of
// the screen; the loupe is repainted only when the block changed.
#pragma once

#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

constexpr int kMagnifierCells = 15;  // device pixels a side of the block
// Device pixels between the pointer and the loupe's nearer edges: clear of
// the pointer's arrow and of the block itself.
constexpr int kMagnifierGap = 24;
constexpr TColor kMagnifierGridColor = 0x00808080;

// The block shown: kMagnifierCells square, centred on the pointer, i.e.
// the pixels kMagnifierRadius around it on every side.
constexpr int kMagnifierRadius = kMagnifierCells / 2;
Rect MagnifierBlock(Point pointer);
// The loupe's side in device pixels: a cell of `zoom` pixels per block
// pixel, a grid line on the first row and column of each cell and one
// closing line.
int MagnifierSide(int zoom);
// Where the loupe goes: below and right of the pointer, flipped to the left
// or above where the screen ends, so it never covers the pointer's block.
Rect PlaceMagnifier(Point pointer, int side, const Rect& screen);
// The colour of the frame around the sampled pixel: black on light
// colours, white on dark ones.
TColor MagnifierFrameColor(TColor sampled);
// The loupe's pixels (side x side, row by row) for a block; the frame goes
// around the square `frameRadius` cells around the centre (the sample).
std::vector<TColor> RenderMagnifier(const PixelBlock& block, int zoom, int frameRadius = 0);

class TMagnifier {
 public:
  // Creates the loupe (hidden until the first tick); its frame goes around
  // the square `frameRadius` pixels around the pointer.
  explicit TMagnifier(int zoom, int frameRadius = 0);
  TMagnifier(const TMagnifier&) = delete;
  TMagnifier& operator=(const TMagnifier&) = delete;

  // One tick: follows the pointer (device pixels) on `screen` and shows
  // `block`, read around it on this tick (MagnifierBlock). While the loupe
  // still lies where the block is (the pointer jumped onto it), it only
  // moves away and the block read with it is dropped: the next tick's shows,
  // so the loupe never shows itself.
  void Update(Point pointer, const Rect& screen, PixelBlock block);

  int Zoom() const { return FZoom; }
  int FrameRadius() const { return FFrameRadius; }
  // Where the loupe is (nothing before the first tick).
  Rect Placement() const { return FPlacement; }

 private:
  int FZoom;
  int FFrameRadius;
  int FSide;
  std::unique_ptr<ILoupeWindow> FWindow;
  bool FPlaced = false;
  Rect FPlacement;
  bool FShowing = false;
  PixelBlock FShown;  // the block the loupe shows
};

}  // namespace velmora
