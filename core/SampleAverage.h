// The colour of a square of screen pixels: each channel's mean over the
// pixels that lie on a monitor, rounded half up.
#pragma once

#include <vector>

#include "core/Color.h"

namespace velmora {

// The sample sizes offered: 1 pixel, 3 x 3 and 5 x 5.
constexpr int kSampleSizes[] = {1, 3, 5};
constexpr int kDefaultSampleSize = 1;

// The pixels around the centre on every side for a sample size (1 -> 0, 3 -> 1).
constexpr int SampleRadius(int sampleSize) {
  return sampleSize / 2;
}

// The mean of the pixels `radius` around `centre` on every side that lie in
// `block` and on one of `monitors`; kInvalidColor when none does.
TColor AverageColor(const PixelBlock& block, Point centre, int radius,
                    const std::vector<Rect>& monitors);

}  // namespace velmora
