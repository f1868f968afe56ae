#pragma once
// The capture device graph: lists the capture devices by friendly name, binds
// one, builds and runs its live graph (preview plus frame grabbing), hands out
// the latest frame, lists and routes the device's video inputs and exposes
// its brightness and contrast. It works over the VideoCapture seam, so the
// same code runs on GStreamer and on the scripted device of the tests.
//
// States: empty (no device) -> bound (bindDevice) -> running (buildGraph
// returned kBuildOk) -> empty again after teardown(). A failed build always
// ends empty: no graph, no device, running() false. teardown() is safe at any
// time; every rebuild starts with bindDevice again.
//
// Threads: every member function runs on the thread that owns the graph (the
// capture window's thread). Frames arrive on the device's streaming thread
// and go straight into the FrameGrabber, which keeps reader and writer apart.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FrameGrabber.h"
#include "platform/VideoCapture.h"

namespace karone {

class CaptureGraph {
 public:
  // Results of buildGraph.
  static constexpr int kBuildOk = 0;
  static constexpr int kBuildFailed = 1;
  static constexpr int kBuildNoGrabber = 2;  // frame grabbing unavailable on this system
  // Results of listVideoInputs.
  static constexpr int kListOk = 0;
  static constexpr int kListTooManyPins = 3;
  static constexpr int kListFailed = 10;

  explicit CaptureGraph(VideoCapture& system);
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // Reads the device names afresh. False, with the list untouched, when the
  // devices cannot be listed or there are none.
  bool enumerateDevices();
  int deviceCount() const { return static_cast<int>(deviceNames_.size()); }
  // Nullopt for a position outside the list.
  std::optional<std::string> deviceName(int index) const;

  // Binds the device named deviceName(index): the names are listed again and
  // compared without regard to case; of several devices with that name the
  // last one listed is bound. Replaces a device bound before (tearing its
  // graph down). False when the index is unknown, no name matches or the
  // device cannot be bound.
  bool bindDevice(int index);
  bool deviceBound() const { return device_ != nullptr; }

  // Builds and runs the graph of the bound device; frames go to the grabber
  // and to preview (may be null; must outlive the graph).
  int buildGraph(PreviewSink* preview);

  // The same in three steps, so that the start, which may wait seconds for
  // a camera, can run on another thread: prepareBuild opens the device
  // named deviceName(index) as bindDevice does, but apart from the graph in
  // use (null when it cannot be opened); PendingBuild::start starts it on
  // any one thread; adopt (owner's thread) tears the graph in use down and
  // takes the started one up, returning what buildGraph would have. A
  // pending build that is dropped stops and releases its device.
  class PendingBuild {
   public:
    ~PendingBuild();
    int start();
    // Any thread: a start under way gives up at once.
    void abandon() {
      if (device_) device_->abandonStart();
    }

   private:
    friend class CaptureGraph;
    std::unique_ptr<VideoDevice> device_;
    PreviewSink* preview_ = nullptr;
    std::shared_ptr<FrameGrabber> grabber_;
    CrossbarInfo crossbar_;
    int result_ = kBuildFailed;
    std::string error_ = "the device was not started";
  };
  std::unique_ptr<PendingBuild> prepareBuild(int index, PreviewSink* preview);
  int adopt(PendingBuild& build);
  void teardown();
  bool running() const { return running_; }

  // Size of the frames the running graph delivers.
  std::optional<FrameFormat> frameSize() const;
  // The latest frame, black before the first one arrived. False when no
  // graph runs.
  bool grabFrame(VideoFrame& out);
  // Frames that arrived since the build; nullopt without a running graph
  // or when the device is not live (VideoDevice::live).
  std::optional<std::uint64_t> framesArrived() const;
  // How long the running live device has sent nothing (real time).
  std::optional<std::chrono::milliseconds> silence() const;
  // Why the running device broke; empty while it runs well.
  std::string runFailure() const;
  // Waits (bounded) until count frames have arrived since the build.
  bool waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const;

  // Connector types of the inputs and outputs of a device's input selector.
  // Uses the running graph's selector when there is one; otherwise the
  // device at index is bound on the side for the question (the graph's own
  // device is left alone). A device without a selector gives kListOk and
  // empty lists.
  int listVideoInputs(int deviceIndex, int inputCapacity, int outputCapacity,
                      std::vector<int>& inputs, std::vector<int>& outputs);
  // Routes the first input of a connector type to the video decoder output.
  // False without a selector, without such an input or output, or when the
  // device refuses.
  bool RouteVideoInput(int connectorType);
  bool hasCrossbar() const { return crossbar_.status == CrossbarInfo::Status::Present; }

  // Brightness and contrast of the running device; null when it has none.
  VideoProcAmp* procAmp() const { return procAmp_; }

  // Why the last build, bind or route failed, for the log.
  const std::string& lastError() const { return lastError_; }

 private:
  // Position of the last listed device called name, ignoring case; -1 if none.
  static int lastMatch(const std::vector<std::string>& names, const std::string& name);
  int failBuild(int result, const std::string& why);
  // Opens the device named deviceName(index) afresh; null, with lastError_
  // set, when there is none.
  std::unique_ptr<VideoDevice> openNamed(int index);

  VideoCapture& system_;
  std::vector<std::string> deviceNames_;
  std::unique_ptr<VideoDevice> device_;
  std::shared_ptr<FrameGrabber> grabber_;
  CrossbarInfo crossbar_;
  VideoProcAmp* procAmp_ = nullptr;
  bool running_ = false;
  std::string lastError_;
};

}  // namespace karone
