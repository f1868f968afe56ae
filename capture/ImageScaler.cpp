#include "capture/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace karone {
namespace {

// Weights at or below this count as zero.
constexpr float kNegligible = 0.0001f;

// One pixel of the axis being stepped through: w0 is its share with the
// current pixel of the other grid, w1 its share with the next one; w1 == -1
// marks a boundary exactly at the end of this pixel.
struct Weight {
  float w0;
  float w1;
};

// Table over `n` pixels of one axis whose other grid has `m` pixels.
std::vector<Weight> weightTable(int n, int m, bool shrinking) {
  std::vector<Weight> table(static_cast<std::size_t>(n));
  int b = 0;
  for (int i = 0; i < n; ++i) {
    int c = b + m;
    Weight& w = table[static_cast<std::size_t>(i)];
    if (c > n) {  // the pixel straddles a boundary of the other grid
      const float x = static_cast<float>(shrinking ? n : m);
      w.w0 = static_cast<float>(n - b) / x;
      c -= n;
      w.w1 = static_cast<float>(c) / x;
    } else {
      w.w0 = shrinking ? static_cast<float>(m) / static_cast<float>(n) : 1.0f;
      w.w1 = 0.0f;
      if (c == n) {
        w.w1 = -1.0f;
        c = 0;
      }
    }
    b = c;
  }
  return table;
}

inline std::uint8_t toByte(float v) {
  // Truncation toward zero; the weights of a target pixel sum to 1, so only
  // float rounding could ever reach 256, which must not wrap to 0.
  return v >= 255.0f ? 255 : static_cast<std::uint8_t>(static_cast<int>(v));
}

// Four float lanes: blue, green, red and a spare lane whose value is never
// used. Lane-wise arithmetic rounds exactly as the same scalar operations.
typedef float Lanes __attribute__((vector_size(16)));
typedef std::uint8_t ByteLanes __attribute__((vector_size(4)));

// Source pixel x of a row that is `width` pixels wide. All pixels but the
// last read four bytes (the fourth belongs to the next pixel and lands in
// the spare lane); the last one reads exactly its three.
inline Lanes pixelAt(const std::uint8_t* row, int x, int width) {
#if defined(__SSE2__)
  std::int32_t bytes;  // in memory order: lane 0 is the first byte
  if (x + 1 < width) {
    std::memcpy(&bytes, row + 3 * x, 4);
  } else {
    bytes = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero);
  return static_cast<Lanes>(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
#else
  (void)width;
  const ByteLanes lanes{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
  return __builtin_convertvector(lanes, Lanes);
#endif
}

inline Lanes load(const float* at) {
  Lanes v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

inline void store(float* at, Lanes v) { std::memcpy(at, &v, sizeof v); }

// Adds one source row into the accumulator rows (four floats per target
// pixel, one spare pixel at the end). Each target pixel's sum is kept in a
// register while the source pixels that fall into it are added, in the
// same order and with the same roundings as adding them to memory one by
// one. kRowStraddles: the row also feeds the next target row.
template <bool kRowStraddles>
void accumulateRow(const std::uint8_t* src, int width, const Weight* cols, float rw0, float rw1,
                   float* cur, float* next) {
  Lanes c = load(cur);
  Lanes n = kRowStraddles ? load(next) : Lanes{};
  for (int x = 0; x < width; ++x) {
    const float cw0 = cols[x].w0;
    const float cw1 = cols[x].w1;
    const Lanes p = pixelAt(src, x, width);
    c += (rw0 * cw0) * p;
    if constexpr (kRowStraddles) n += (rw1 * cw0) * p;
    if (cw1 > kNegligible) {
      // The pixel straddles two target pixels: the current one is complete.
      store(cur, c);
      cur += 4;
      c = load(cur) + (rw0 * cw1) * p;
      if constexpr (kRowStraddles) {
        store(next, n);
        next += 4;
        n = load(next) + (rw1 * cw1) * p;
      }
    } else if (cw1 < -kNegligible) {
      store(cur, c);
      cur += 4;
      c = load(cur);
      if constexpr (kRowStraddles) {
        store(next, n);
        next += 4;
        n = load(next);
      }
    }
  }
  store(cur, c);
  if constexpr (kRowStraddles) store(next, n);
}

void shrink(const Picture& source, Picture& target) {
  const int w = source.width(), h = source.height();
  const int W = target.width(), H = target.height();
  const std::vector<Weight> cols = weightTable(w, W, true);
  const std::vector<Weight> rows = weightTable(h, H, true);
  // One spare pixel each: after the last source column the stepping has
  // moved one past the last target pixel.
  const std::size_t rowFloats = 4 * (static_cast<std::size_t>(W) + 1);
  std::vector<float> currentRow(rowFloats, 0.0f);
  std::vector<float> nextRow(rowFloats, 0.0f);
  float* cur = currentRow.data();
  float* next = nextRow.data();

  int ty = 0;
  for (int sy = 0; sy < h && ty < H; ++sy) {
    const float rw0 = rows[sy].w0, rw1 = rows[sy].w1;
    if (rw1 > kNegligible) {
      accumulateRow<true>(source.row(sy), w, cols.data(), rw0, rw1, cur, next);
    } else {
      accumulateRow<false>(source.row(sy), w, cols.data(), rw0, rw1, cur, next);
    }
    if (std::fabs(rw1) > kNegligible) {
      std::uint8_t* out = target.row(ty);
      for (int x = 0; x < W; ++x) {
        out[3 * x] = toByte(cur[4 * x]);
        out[3 * x + 1] = toByte(cur[4 * x + 1]);
        out[3 * x + 2] = toByte(cur[4 * x + 2]);
      }
      std::fill(cur, cur + rowFloats, 0.0f);
      std::swap(cur, next);
      ++ty;
    }
  }
}

void enlarge(const Picture& source, Picture& target) {
  const int w = source.width(), h = source.height();
  const int W = target.width(), H = target.height();
  const std::vector<Weight> cols = weightTable(W, w, false);
  const std::vector<Weight> rows = weightTable(H, h, false);

  int sy = 0;
  for (int ty = 0; ty < H; ++ty) {
    const float rw0 = rows[ty].w0, rw1 = rows[ty].w1;
    const bool rowStraddles = rw1 > kNegligible;
    const std::uint8_t* s0 = source.row(sy);
    const std::uint8_t* s1 = rowStraddles ? source.row(sy + 1) : nullptr;
    std::uint8_t* out = target.row(ty);
    for (int tx = 0; tx < W; ++tx, out += 3) {
      const float cw0 = cols[tx].w0, cw1 = cols[tx].w1;
      const bool colStraddles = cw1 > kNegligible;
      const float a = cw0 * rw0;
      float v0 = a * s0[0], v1 = a * s0[1], v2 = a * s0[2];
      if (colStraddles) {
        const float b = cw1 * rw0;
        v0 += b * s0[3];
        v1 += b * s0[4];
        v2 += b * s0[5];
      }
      if (rowStraddles) {
        const float c = cw0 * rw1;
        v0 += c * s1[0];
        v1 += c * s1[1];
        v2 += c * s1[2];
        if (colStraddles) {
          const float d = cw1 * rw1;
          v0 += d * s1[3];
          v1 += d * s1[4];
          v2 += d * s1[5];
        }
      }
      out[0] = toByte(v0);
      out[1] = toByte(v1);
      out[2] = toByte(v2);
      if (colStraddles || cw1 < -kNegligible) {
        s0 += 3;
        if (s1) s1 += 3;
      }
    }
    if (rowStraddles || rw1 < -kNegligible) ++sy;
  }
}

}  // namespace

std::optional<Picture> ImageScaler::Scale(const Picture& source, int targetWidth,
                                          int targetHeight) {
  const int w = source.width(), h = source.height();
  if (source.empty() || targetWidth < 1 || targetHeight < 1 ||
      targetWidth > Picture::kMaxDimension || targetHeight > Picture::kMaxDimension) {
    return std::nullopt;
  }
  if ((targetWidth < w && h < targetHeight) || (w < targetWidth && targetHeight < h)) {
    return std::nullopt;
  }
  Picture target(targetWidth, targetHeight);
  if (w < targetWidth || h < targetHeight) {
    enlarge(source, target);
  } else {
    shrink(source, target);
  }
  return target;
}

}  // namespace karone
