#include "platform/gstreamer/GstSharedFrame.h"

namespace karone {

GstFrameConverter::GstFrameConverter(const GstVideoInfo& info) : info_(info) {
  gst_video_info_set_format(&bgrInfo_, GST_VIDEO_FORMAT_BGR, GST_VIDEO_INFO_WIDTH(&info),
                            GST_VIDEO_INFO_HEIGHT(&info));
  // The converter changes neither the rate nor the interlacing.
  GST_VIDEO_INFO_FPS_N(&bgrInfo_) = GST_VIDEO_INFO_FPS_N(&info);
  GST_VIDEO_INFO_FPS_D(&bgrInfo_) = GST_VIDEO_INFO_FPS_D(&info);
  GST_VIDEO_INFO_INTERLACE_MODE(&bgrInfo_) = GST_VIDEO_INFO_INTERLACE_MODE(&info);
}

GstFrameConverter::~GstFrameConverter() {
  if (converter_ != nullptr) gst_video_converter_free(converter_);
}

bool GstFrameConverter::convert(GstBuffer* buffer, std::vector<std::uint8_t>& bgr) {
  std::lock_guard lock(mutex_);
  if (converter_ == nullptr) {
    // One thread: the conversion runs on whichever thread wants the
    // picture, and that thread is not to be crowded.
    GstStructure* config = gst_structure_new("config", GST_VIDEO_CONVERTER_OPT_THREADS,
                                             G_TYPE_UINT, 1u, nullptr);
    GstVideoInfo in = info_;
    GstVideoInfo out = bgrInfo_;
    converter_ = gst_video_converter_new(&in, &out, config);
    if (converter_ == nullptr) return false;
  }
  GstVideoFrame source;
  if (!gst_video_frame_map(&source, &info_, buffer, GST_MAP_READ)) return false;
  bgr.resize(GST_VIDEO_INFO_SIZE(&bgrInfo_));
  GstBuffer* target = gst_buffer_new_wrapped_full(static_cast<GstMemoryFlags>(0), bgr.data(),
                                                  bgr.size(), 0, bgr.size(), nullptr, nullptr);
  GstVideoFrame destination;
  const bool mapped = gst_video_frame_map(&destination, &bgrInfo_, target, GST_MAP_WRITE);
  if (mapped) {
    gst_video_converter_frame(converter_, &source, &destination);
    gst_video_frame_unmap(&destination);
  }
  gst_buffer_unref(target);
  gst_video_frame_unmap(&source);
  return mapped;
}

GstSharedFrame::GstSharedFrame(GstSample* sample, std::shared_ptr<GstFrameConverter> converter)
    : SharedFrame(GST_VIDEO_INFO_WIDTH(&converter->info()), GST_VIDEO_INFO_HEIGHT(&converter->info())),
      sample_(gst_sample_ref(sample)),
      converter_(std::move(converter)) {}

GstSharedFrame::~GstSharedFrame() {
  if (isMapped_) gst_video_frame_unmap(&mapped_);
  gst_sample_unref(sample_);
}

FrameView GstSharedFrame::mapped() const {
  std::call_once(mapOnce_, [this] {
    GstBuffer* buffer = gst_sample_get_buffer(sample_);
    GstVideoInfo info = converter_->info();
    isMapped_ = buffer != nullptr && gst_video_frame_map(&mapped_, &info, buffer, GST_MAP_READ);
  });
  if (!isMapped_) return {};
  return FrameView{static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped_, 0)),
                   SharedFrame::width(), SharedFrame::height(),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&mapped_, 0),
                   GST_VIDEO_FRAME_COMP_PSTRIDE(&mapped_, 0)};
}

FrameView GstSharedFrame::pixels() const {
  const GstVideoFormat layout = converter_->layout();
  if (layout == GST_VIDEO_FORMAT_BGR || layout == GST_VIDEO_FORMAT_BGRx) return mapped();
  return bgr();
}

FrameView GstSharedFrame::convert() const {
  if (converter_->layout() == GST_VIDEO_FORMAT_BGR) return mapped();
  GstBuffer* buffer = gst_sample_get_buffer(sample_);
  if (buffer == nullptr || !converter_->convert(buffer, bgr_)) return {};
  const int width = SharedFrame::width();
  const int height = SharedFrame::height();
  // Packed: gst_video_info_set_format pads BGR rows to 4 bytes.
  GstVideoInfo packed;
  gst_video_info_set_format(&packed, GST_VIDEO_FORMAT_BGR, width, height);
  return FrameView{bgr_.data(), width, height, GST_VIDEO_INFO_PLANE_STRIDE(&packed, 0)};
}

}  // namespace karone
