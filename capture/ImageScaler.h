#pragma once
// Resizes a captured frame with area-weighted resampling in single-precision
// floats. Shrinking adds every source pixel, weighted by the share of it
// each target pixel covers, into at most two-by-two target pixels; enlarging
// blends the up to two-by-two source pixels a target pixel covers. Results
// are truncated toward zero. A size change that shrinks one dimension and
// grows the other is refused.
//
// Rows are processed in the pictures' storage order (bottom-up, see
// Picture), so that the result is byte for byte the same as it has always
// been. A call allocates only its two weight tables, the two accumulator
// rows of a shrink and the result, and reads every source pixel once.
//
// Stateless; thread-safe. The capture window calls it from its timer.
#include <optional>

#include "capture/Picture.h"

namespace karone {

class ImageScaler {
 public:
  // The source resized to targetWidth × targetHeight; nullopt when one
  // dimension would shrink while the other grows, when the source is empty
  // or when a target size is outside 1..Picture::kMaxDimension.
  static std::optional<Picture> Scale(const Picture& source, int targetWidth, int targetHeight);
};

}  // namespace karone
