#pragma once
// Pictures that look like a camera's for the benchmarks: gradients, blocks
// with hard edges, fine stripes and sensor noise, never flat colour.
#include <cstdint>
#include <random>

#include "capture/Picture.h"

namespace karone::bench {

inline Picture cameraPicture(int width, int height, unsigned seed = 1) {
  Picture p(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-10, 10);
  auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.topRow(y);
    for (int x = 0; x < width; ++x) {
      const int frame = x % 320;  // strips repeat the scene per frame, shifted
      const bool object = ((frame + x / 320 * 7) / 41 + y / 31) % 3 == 0;
      row[3 * x] = clamp(50 + frame * 100 / 320 + (object ? 80 : 0) + noise(random));
      row[3 * x + 1] = clamp(80 + y * 120 / height + ((frame / 9) % 2) * 25 + noise(random));
      row[3 * x + 2] = clamp(150 - frame * 70 / 320 + y * 40 / height + noise(random));
    }
  }
  return p;
}

}  // namespace karone::bench
