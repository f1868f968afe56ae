#include "capture/ImageScaler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace karone {
namespace {

// The resampling exactly as written down, one operation at a time, with
// checked indexing: slow, but the fast scaler must agree with it byte for
// byte.
namespace reference {

struct Weight {
  float w0, w1;
};

std::vector<Weight> table(int N, int M, bool shrinking) {
  std::vector<Weight> t;
  int b = 0;
  for (int i = 0; i < N; ++i) {
    int c = b + M;
    float w0, w1;
    if (c > N) {
      float x = shrinking ? N : M;
      w0 = (N - b) / x;
      c = c - N;
      w1 = c / x;
    } else {
      w0 = shrinking ? static_cast<float>(M) / N : 1;
      w1 = 0;
      if (c == N) {
        w1 = -1;
        c = 0;
      }
    }
    t.push_back({w0, w1});
    b = c;
  }
  return t;
}

std::uint8_t store(float v) { return static_cast<std::uint8_t>(static_cast<int>(v)); }

float pixel(const Picture& p, int x, int y, int k) { return p.row(y)[3 * x + k]; }

Picture shrink(const Picture& src, int W, int H) {
  const int w = src.width(), h = src.height();
  Picture out(W, H);
  std::vector<Weight> cols = table(w, W, true), rows = table(h, H, true);
  std::vector<float> current(3 * W, 0.0f), next(3 * W, 0.0f);
  int ty = 0;
  for (int sy = 0; sy < h && ty < H; ++sy) {
    const float rw0 = rows.at(sy).w0, rw1 = rows.at(sy).w1;
    int tx = 0;
    for (int sx = 0; sx < w; ++sx) {
      const float cw0 = cols.at(sx).w0, cw1 = cols.at(sx).w1;
      for (int k = 0; k < 3; ++k) {
        const float p = pixel(src, sx, sy, k);
        current.at(3 * tx + k) += rw0 * cw0 * p;
        if (cw1 > 0.0001) current.at(3 * (tx + 1) + k) += rw0 * cw1 * p;
        if (rw1 > 0.0001) {
          next.at(3 * tx + k) += rw1 * cw0 * p;
          if (cw1 > 0.0001) next.at(3 * (tx + 1) + k) += rw1 * cw1 * p;
        }
      }
      if (std::fabs(cw1) > 0.0001) ++tx;
    }
    if (std::fabs(rw1) > 0.0001) {
      for (int i = 0; i < 3 * W; ++i) out.row(ty)[i] = store(current[i]);
      std::fill(current.begin(), current.end(), 0.0f);
      std::swap(current, next);
      ++ty;
    }
  }
  EXPECT_EQ(ty, H);
  return out;
}

Picture enlarge(const Picture& src, int W, int H) {
  const int w = src.width(), h = src.height();
  Picture out(W, H);
  std::vector<Weight> cols = table(W, w, false), rows = table(H, h, false);
  int sy = 0;
  for (int ty = 0; ty < H; ++ty) {
    const float rw0 = rows.at(ty).w0, rw1 = rows.at(ty).w1;
    int sx = 0;
    for (int tx = 0; tx < W; ++tx) {
      const float cw0 = cols.at(tx).w0, cw1 = cols.at(tx).w1;
      for (int k = 0; k < 3; ++k) {
        float value = cw0 * rw0 * pixel(src, sx, sy, k);
        if (cw1 > 0.0001) value += cw1 * rw0 * pixel(src, sx + 1, sy, k);
        if (rw1 > 0.0001) {
          value += cw0 * rw1 * pixel(src, sx, sy + 1, k);
          if (cw1 > 0.0001) value += cw1 * rw1 * pixel(src, sx + 1, sy + 1, k);
        }
        out.row(ty)[3 * tx + k] = store(value);
      }
      if (std::fabs(cw1) > 0.0001) ++sx;
    }
    if (std::fabs(rw1) > 0.0001) ++sy;
  }
  return out;
}

}  // namespace reference

Picture randomPicture(int width, int height, unsigned seed) {
  Picture p(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 3 * width; ++x) p.row(y)[x] = static_cast<std::uint8_t>(random());
  }
  return p;
}

Picture constant(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      p.row(y)[3 * x] = b;
      p.row(y)[3 * x + 1] = g;
      p.row(y)[3 * x + 2] = r;
    }
  }
  return p;
}

TEST(ImageScaler, AgreesWithTheReferenceOnEverySizeThePipelineUses) {
  struct Size {
    int w, h;
  };
  const Size devices[] = {{640, 480}, {352, 288}, {1280, 720}, {1920, 1080}};
  const Size pictures[] = {{160, 120}, {176, 144}, {320, 240}};
  unsigned seed = 1;
  for (Size from : devices) {
    const Picture source = randomPicture(from.w, from.h, seed++);
    for (Size to : pictures) {
      std::optional<Picture> fast = ImageScaler::Scale(source, to.w, to.h);
      ASSERT_TRUE(fast) << from.w << "x" << from.h << " to " << to.w << "x" << to.h;
      EXPECT_TRUE(*fast == reference::shrink(source, to.w, to.h))
          << from.w << "x" << from.h << " to " << to.w << "x" << to.h;
    }
  }
  // Enlarging the smallest device size, and odd sizes whose rows are padded.
  struct Pair {
    Size from, to;
  } enlargements[] = {{{160, 120}, {176, 144}}, {{160, 120}, {320, 240}},
                      {{160, 120}, {352, 288}}, {{176, 144}, {320, 240}},
                      {{7, 5}, {13, 9}},        {{160, 120}, {320, 120}}};
  for (const Pair& p : enlargements) {
    const Picture source = randomPicture(p.from.w, p.from.h, seed++);
    std::optional<Picture> fast = ImageScaler::Scale(source, p.to.w, p.to.h);
    ASSERT_TRUE(fast);
    EXPECT_TRUE(*fast == reference::enlarge(source, p.to.w, p.to.h))
        << p.from.w << "x" << p.from.h << " to " << p.to.w << "x" << p.to.h;
  }
  const Picture odd = randomPicture(13, 11, seed++);
  EXPECT_TRUE(*ImageScaler::Scale(odd, 5, 3) == reference::shrink(odd, 5, 3));
  EXPECT_TRUE(*ImageScaler::Scale(odd, 13, 4) == reference::shrink(odd, 13, 4));
}

TEST(ImageScaler, HalvingAveragesTwoByTwoBlocksTruncated) {
  Picture source(320, 240);
  // Blocks with the values 10, 11, 11, 11 (blue), 0, 0, 0, 3 (green) and
  // 255 everywhere (red).
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool first = x % 2 == 0 && y % 2 == 0;
      const bool last = x % 2 == 1 && y % 2 == 1;
      source.row(y)[3 * x] = first ? 10 : 11;
      source.row(y)[3 * x + 1] = last ? 3 : 0;
      source.row(y)[3 * x + 2] = 255;
    }
  }
  std::optional<Picture> half = ImageScaler::Scale(source, 160, 120);
  ASSERT_TRUE(half);
  EXPECT_TRUE(*half == constant(160, 120, 10, 0, 255));
}

TEST(ImageScaler, ConstantColoursSurviveShrinking) {
  for (int c : {0, 1, 17, 128, 200, 254, 255}) {
    const auto v = static_cast<std::uint8_t>(c);
    // An exact 2 : 1 ratio keeps the colour exactly.
    EXPECT_TRUE(*ImageScaler::Scale(constant(352, 288, v, v, v), 176, 144) ==
                constant(176, 144, v, v, v))
        << c;
    // At 20 : 11 float rounding may land just below the integer.
    Picture small = *ImageScaler::Scale(constant(320, 240, v, v, v), 176, 144);
    for (int y = 0; y < 144; ++y) {
      for (int x = 0; x < 3 * 176; ++x) {
        const int got = small.row(y)[x];
        ASSERT_TRUE(got == c || got == c - 1) << c << " became " << got << " at " << x << "," << y;
      }
    }
  }
}

TEST(ImageScaler, DoublingDuplicatesEveryPixel) {
  const Picture source = randomPicture(160, 120, 99);
  std::optional<Picture> big = ImageScaler::Scale(source, 320, 240);
  ASSERT_TRUE(big);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(big->row(y)[3 * x + k], source.row(y / 2)[3 * (x / 2) + k]) << x << "," << y;
      }
    }
  }
}

TEST(ImageScaler, SameSizeIsACopy) {
  const Picture source = randomPicture(176, 144, 5);
  EXPECT_TRUE(*ImageScaler::Scale(source, 176, 144) == source);
}

TEST(ImageScaler, RefusesMixedShrinkAndGrowAndImpossibleSizes) {
  struct Case {
    int fromW, fromH, toW, toH;
  } cases[] = {
      {320, 100, 160, 200}, {100, 320, 200, 160}, {320, 240, 0, 120},
      {320, 240, 160, -1},  {320, 240, 70000, 240}, {0, 0, 10, 10},
  };
  for (const Case& c : cases) {
    const Picture source(c.fromW, c.fromH);
    EXPECT_FALSE(ImageScaler::Scale(source, c.toW, c.toH))
        << c.fromW << "x" << c.fromH << " to " << c.toW << "x" << c.toH;
  }
}

}  // namespace
}  // namespace karone
