#pragma once
// Video frames as the capture seam hands them around: 24-bit pixels in
// blue-green-red byte order, rows from the top of the picture down.
//
// FrameView borrows the pixels of a frame; VideoFrame owns a copy with rows
// packed tightly (stride = width * 3). Plain values, no threading of their
// own. A SharedFrame is how a running device hands a frame on: shared, not
// copied, and turned into BGR only if somebody looks at its pixels.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace karone {

// Size and depth of the frames a running device delivers.
struct FrameFormat {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;

  std::size_t byteSize() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(bitsPerPixel / 8);
  }
  bool operator==(const FrameFormat&) const = default;
};

// A frame borrowed from its producer: height rows of width BGR pixels, each
// row stride bytes after the previous one (stride >= width * pixelBytes).
// Pixels are 3 bytes (B, G, R) unless said otherwise; only
// SharedFrame::pixels() may give 4 (B, G, R and a byte to skip).
struct FrameView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  int pixelBytes = 3;
};

// An owned frame, rows packed.
struct VideoFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3 bytes, top row first

  FrameFormat format() const { return FrameFormat{width, height, 24}; }
  FrameView view() const { return FrameView{pixels.data(), width, height, width * 3}; }
  const std::uint8_t* pixel(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) * 3;
  }
};

// A frame as the device produced it (decoded, in whatever pixel layout the
// decoder gave), kept alive by whoever holds it. The conversion to BGR is
// done at the first call of bgr(), once, whichever thread asks first; every
// later call and every other holder gets the same pixels. So a device hands
// each frame to the grabber and the preview without copying it, and a frame
// nobody looks at is never converted.
//
// Threads: any. A holder must not keep a frame longer than it needs: the
// producer's buffers may be few.
class SharedFrame {
 public:
  SharedFrame(int width, int height) : width_(width), height_(height) {}
  virtual ~SharedFrame() = default;
  SharedFrame(const SharedFrame&) = delete;
  SharedFrame& operator=(const SharedFrame&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // The frame as BGR rows, valid while this frame lives; data is null when
  // it cannot be converted.
  FrameView bgr() const {
    std::call_once(converted_, [this] { bgr_ = convert(); });
    return bgr_;
  }
  // The pixels without any conversion when the frame is BGR with 3 or 4
  // bytes a pixel (FrameView::pixelBytes); otherwise bgr(). For a painter
  // that reads a few pixels of each frame.
  virtual FrameView pixels() const { return bgr(); }

 protected:
  // Called once, by the first bgr().
  virtual FrameView convert() const = 0;

 private:
  int width_;
  int height_;
  mutable std::once_flag converted_;
  mutable FrameView bgr_;
};

using FrameRef = std::shared_ptr<const SharedFrame>;

// Copies the view's rows, packed (width * 3 bytes each, top row first), to
// out, which holds width * height * 3 bytes. The view has 3-byte pixels.
void packRows(const FrameView& view, std::uint8_t* out);

// A frame that owns a packed BGR copy of the pixels it was made from: for
// producers whose memory does not outlive the call (and tests).
class CopiedFrame final : public SharedFrame {
 public:
  static FrameRef of(const FrameView& view);
  explicit CopiedFrame(VideoFrame frame);

 protected:
  FrameView convert() const override;

 private:
  VideoFrame frame_;
};

}  // namespace karone
