#pragma once
// A 24-bit picture: width × height pixels of three bytes each in the order
// blue, green, red, every row padded with zero bytes to a multiple of 4
// bytes (stride = (3 × width + 3) rounded down to a multiple of 4).
//
// Rows are stored BOTTOM-UP: storage row 0 is the bottom row of the picture
// and the last storage row is its top row. That is the order of the BMP files
// the frame pipeline writes and of the pixel area the scaler walks through,
// so both work on the bytes as they are; frames that arrive top-down (the
// capture device) are turned over once, explicitly, with fromTopDown.
//
// A plain value; not thread-safe (one thread at a time, or copies).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace karone {

class Picture {
 public:
  // Largest width or height a picture may have.
  static constexpr int kMaxDimension = 65535;

  // The empty picture (0 × 0).
  Picture() = default;
  // A black picture. A size outside 1..kMaxDimension gives the empty picture.
  Picture(int width, int height);

  // Builds a picture from top-down rows of blue-green-red pixels, srcStride
  // bytes apart (at least 3 × width).
  static Picture fromTopDown(const std::uint8_t* pixels, int width, int height,
                             std::size_t srcStride);

  static std::size_t strideFor(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) & ~static_cast<std::size_t>(3);
  }

  bool empty() const { return width_ == 0; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return stride_; }

  // Storage row i (0 = bottom row).
  std::uint8_t* row(int i) { return bytes_.data() + static_cast<std::size_t>(i) * stride_; }
  const std::uint8_t* row(int i) const {
    return bytes_.data() + static_cast<std::size_t>(i) * stride_;
  }
  // Row y counted from the top (0 = top row).
  std::uint8_t* topRow(int y) { return row(height_ - 1 - y); }
  const std::uint8_t* topRow(int y) const { return row(height_ - 1 - y); }

  // The whole pixel area, stride × height bytes, bottom row first.
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  friend bool operator==(const Picture&, const Picture&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace karone
