#pragma once
// A capture device on GStreamer: the test pattern, a V4L2 camera, a network
// camera or a stand-in for a camera, running
//   <source> ! <decode> ! appsink caps=video/x-raw
// whose appsink callback hands every decoded frame, uncopied and still in
// its decoder's layout, as one GstSharedFrame to the frame callback and the
// preview sink on GStreamer's streaming thread; it becomes BGR only when
// one of them looks at it. A camera with known modes
// runs in the one chooseCameraFormat picks, decoded (jpegdec, decodebin) and
// scaled down as that choice needs; a network camera's stream is decoded by
// what it turns out to carry. Input switching uses the V4L2 ioctls;
// brightness and contrast GstColorBalance.
//
// Threads: as VideoDevice. The bus is drained by a sync handler, so no main
// loop is needed and no message piles up during a long run.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/CameraFormat.h"
#include "platform/NetworkCameras.h"
#include "platform/gstreamer/GstColorBalanceProcAmp.h"
#include "platform/gstreamer/GstVideoCapture.h"

namespace karone {

struct GstSource {
  enum class Kind { TestPattern, V4l2, Network, StandIn };
  Kind kind = Kind::TestPattern;
  std::string devicePath;         // V4l2: the device node
  std::vector<CameraMode> modes;  // V4l2, StandIn: what the camera offers
  // StandIn: a pipeline description that delivers what a camera with
  // `modes` would (for tests and demonstrations).
  std::string standIn;
  NetworkCamera network;  // Network
  TestPatternOptions testPattern;
  CameraNeed need;
  std::chrono::milliseconds startTimeout{5000};
  // Frames that each stand alone (raw, MJPEG) and come faster than
  // need.framesPerSecond are dropped before decoding and conversion.
  bool dropToNeed = false;
};

// The pipeline description of a source, up to and including the appsink
// named "grabber"; the source element is named "source", and an element
// named "pace", where there is one, is where frames beyond the rate needed
// are dropped (GstSource::dropToNeed). Secrets and paths
// are not in it: they are set as properties (configureSource). Empty, with
// why, when the camera offers nothing usable.
std::string pipelineDescription(const GstSource& source, std::string* why);

class GstFrameConverter;

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
  std::string runFailure() const override;
  bool live() const override { return true; }
  void abandonStart() override;

 private:
  bool isTestPattern() const { return source_.kind == GstSource::Kind::TestPattern; }
  bool isV4l2() const { return source_.kind == GstSource::Kind::V4l2; }
  StartResult startPipeline();
  void configureSource(GstElement* pipeline);
  void stopPipeline();
  void fail(const std::string& why);

  static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);
  static GstPadProbeReturn onSinkEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn onPacedBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);

  GstSource source_;
  FrameCallback onFrame_;
  PreviewSink* preview_ = nullptr;

  GstElement* pipeline_ = nullptr;
  GstElement* sourceElement_ = nullptr;   // owned by the pipeline
  GstElement* balanceElement_ = nullptr;  // owned by the pipeline; test pattern only
  std::unique_ptr<GstColorBalanceProcAmp> procAmp_;

  // Streaming thread only: when the pace element last let a frame through,
  // and the shortest time it leaves between two.
  std::chrono::steady_clock::time_point lastPaced_;
  std::chrono::steady_clock::duration paceInterval_{};
  // Streaming thread only: the caps last seen, and the converter that the
  // frames of that layout share.
  GstCaps* sampleCaps_ = nullptr;
  std::shared_ptr<GstFrameConverter> converter_;

  mutable std::mutex mutex_;  // guards format_ and error_
  std::condition_variable changed_;
  std::optional<FrameFormat> format_;
  std::string error_;
  bool errorSpecific_ = false;  // error_ is what the camera itself said
  bool abandoned_ = false;
  std::string runFailure_;      // the first error or end of stream after the start
};

}  // namespace karone
