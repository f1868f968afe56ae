#pragma once
// A decoded GStreamer frame handed on without copying: it holds the sample
// (and so the buffer) and turns it into BGR at the first bgr(). A frame
// that is already BGR is only mapped; any other layout goes through the
// converter its caps share, which makes a packed BGR copy. pixels() of a
// BGRx frame is the mapped frame itself.
//
// Threads: the streaming thread makes frames; bgr() and the release may
// happen on any thread. The converter is shared by the frames of one caps
// and used by one thread at a time.
#include <gst/gst.h>
#include <gst/video/video.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/VideoFrame.h"

namespace karone {

// One video layout and the converter from it to BGR of the same size, made
// when the first frame of that layout is converted.
class GstFrameConverter {
 public:
  explicit GstFrameConverter(const GstVideoInfo& info);
  ~GstFrameConverter();
  GstFrameConverter(const GstFrameConverter&) = delete;
  GstFrameConverter& operator=(const GstFrameConverter&) = delete;

  const GstVideoInfo& info() const { return info_; }
  GstVideoFormat layout() const { return GST_VIDEO_INFO_FORMAT(&info_); }
  // Converts the buffer (of info()'s layout) into packed BGR rows.
  bool convert(GstBuffer* buffer, std::vector<std::uint8_t>& bgr);

 private:
  GstVideoInfo info_;
  GstVideoInfo bgrInfo_;
  std::mutex mutex_;  // guards converter_
  GstVideoConverter* converter_ = nullptr;
};

class GstSharedFrame final : public SharedFrame {
 public:
  // Takes a reference to the sample.
  GstSharedFrame(GstSample* sample, std::shared_ptr<GstFrameConverter> converter);
  ~GstSharedFrame() override;

  FrameView pixels() const override;

 protected:
  FrameView convert() const override;

 private:
  // The buffer's pixels as they are, mapped at the first call; for BGR and
  // BGRx only.
  FrameView mapped() const;

  GstSample* sample_;
  std::shared_ptr<GstFrameConverter> converter_;
  mutable std::once_flag mapOnce_;
  mutable GstVideoFrame mapped_{};
  mutable bool isMapped_ = false;
  mutable std::vector<std::uint8_t> bgr_;  // other layouts: the converted copy
};

}  // namespace karone
