#include "core/SampleAverage.h"

#include <algorithm>

namespace velmora {

TColor AverageColor(const PixelBlock& block, Point centre, int radius,
                    const std::vector<Rect>& monitors) {
  const Rect square = BlockAround(centre, radius).Intersect(block.area);
  unsigned sum[3] = {0, 0, 0};
  unsigned count = 0;
  for (int y = square.y; y < square.y + square.height; ++y) {
    for (int x = square.x; x < square.x + square.width; ++x) {
      const Point p{x, y};
      if (std::none_of(monitors.begin(), monitors.end(),
                       [p](const Rect& monitor) { return monitor.Contains(p); })) {
        continue;
      }
      const TColor c = block.At(x - block.area.x, y - block.area.y);
      sum[0] += RedOf(c);
      sum[1] += GreenOf(c);
      sum[2] += BlueOf(c);
      ++count;
    }
  }
  if (count == 0) return kInvalidColor;
  auto mean = [count](unsigned total) { return (2 * total + count) / (2 * count); };
  return RGBColor(mean(sum[0]), mean(sum[1]), mean(sum[2]));
}

}  // namespace velmora
