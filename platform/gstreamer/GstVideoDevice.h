#pragma once
// A capture device on GStreamer: the test pattern or a V4L2 camera, running
//   <source> ! videoconvert ! video/x-raw,format=BGR ! appsink
// whose appsink callback hands every frame to the frame callback and the
// preview sink on GStreamer's streaming thread. Input switching uses the
// V4L2 ioctls; brightness and contrast GstColorBalance.
//
// Threads: as VideoDevice. The bus is drained by a sync handler, so no main
// loop is needed and no message piles up during a long run.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/gstreamer/GstColorBalanceProcAmp.h"
#include "platform/gstreamer/GstVideoCapture.h"

namespace karone {

struct GstSource {
  std::string devicePath;  // V4L2 node; empty for the test pattern
  TestPatternOptions testPattern;
  std::chrono::milliseconds startTimeout{5000};
};

class GstVideoDevice final : public VideoDevice {
 public:
  explicit GstVideoDevice(GstSource source);
  ~GstVideoDevice() override;
  GstVideoDevice(const GstVideoDevice&) = delete;
  GstVideoDevice& operator=(const GstVideoDevice&) = delete;

  StartResult start(FrameCallback onFrame, PreviewSink* preview) override;
  void stop() override;
  bool running() const override { return pipeline_ != nullptr; }
  std::optional<FrameFormat> format() const override;
  CrossbarInfo crossbar() override;
  bool route(int outputIndex, int inputIndex) override;
  VideoProcAmp* procAmp() override { return procAmp_.get(); }
  std::string lastError() const override;

 private:
  bool isTestPattern() const { return source_.devicePath.empty(); }
  StartResult startPipeline();
  void stopPipeline();
  GstElement* makeElement(const char* factory, const char* name);
  void fail(const std::string& why);

  static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);
  static GstPadProbeReturn onSinkEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);

  GstSource source_;
  FrameCallback onFrame_;
  PreviewSink* preview_ = nullptr;

  GstElement* pipeline_ = nullptr;
  GstElement* sourceElement_ = nullptr;   // owned by the pipeline
  GstElement* balanceElement_ = nullptr;  // owned by the pipeline; test pattern only
  std::unique_ptr<GstColorBalanceProcAmp> procAmp_;

  // Streaming thread only: the video layout of the caps last seen.
  GstCaps* sampleCaps_ = nullptr;
  GstVideoInfo sampleInfo_;

  mutable std::mutex mutex_;  // guards format_ and error_
  std::condition_variable changed_;
  std::optional<FrameFormat> format_;
  std::string error_;
};

}  // namespace karone
