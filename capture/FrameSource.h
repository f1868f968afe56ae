#pragma once
// What the frame pipeline needs of a capture graph: the device list, binding
// and building a running graph on one device, routing a video input, the
// size of the delivered frames and the latest frame itself. The capture
// graph offers it through CaptureGraphFrameSource; tests may script it.
//
// Threads: every call comes from the thread that drives the pipeline, except
// Opening::start, which runs on a worker thread.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/Picture.h"

namespace karone {

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  // Friendly names of the capture devices in enumeration order (empty when
  // none can be listed).
  virtual std::vector<std::string> enumerateDevices() = 0;
  // Binds the device at a position of the last enumeration. False when the
  // position is unknown or the device cannot be opened.
  virtual bool bindDevice(int index) = 0;
  // Builds and runs the graph on the bound device: 0 success, 1 failure,
  // 2 the frame grabber is missing. Any failure leaves no graph and no device.
  virtual int buildGraph() = 0;

  // Opening a device in three steps, so that the slow one (a network camera
  // that does not answer waits out its start time-out) runs on a worker
  // thread while the owner's thread goes on: prepareOpen binds the device at
  // a position of the last enumeration (null when it cannot be bound),
  // Opening::start builds and starts its graph and may block (0 success,
  // 1 failure, 2 the frame grabber is missing), and adopt takes the started
  // graph up as the running one (0 when it runs). An opening that is
  // dropped instead is abandoned and releases its device. By default the
  // device is bound at once and the graph built by adopt.
  class Opening {
   public:
    virtual ~Opening() = default;
    virtual int start() { return 0; }
    // Owner's thread, while start may run: it gives up at once.
    virtual void abandon() {}
  };
  virtual std::unique_ptr<Opening> prepareOpen(int index) {
    return bindDevice(index) ? std::make_unique<Opening>() : nullptr;
  }
  virtual int adopt(Opening& started) {
    (void)started;
    return buildGraph();
  }
  // Routes the first input of this connector type to the video decoder.
  virtual bool RouteVideoInput(int connectorType) = 0;
  // Stops and releases the graph and the device; safe at any time.
  virtual void teardown() = 0;
  virtual bool running() const = 0;
  // Size and depth of the delivered frames; false without a running graph.
  virtual bool frameSize(int& width, int& height, int& bitsPerPixel) const = 0;
  // The latest frame at the device's native size; false without one.
  virtual bool grabFrame(Picture& frame) = 0;
  // Frames delivered since the graph was built; nullopt when the source
  // does not count them.
  virtual std::optional<std::uint64_t> framesArrived() const { return std::nullopt; }
  // How long the running device has sent no frame, in real time; nullopt
  // when its silence means nothing (not running, or it delivers on request).
  virtual std::optional<std::chrono::milliseconds> silence() const { return std::nullopt; }
  // Why the running graph broke (the camera went away); empty while it
  // runs well.
  virtual std::string runFailure() const { return {}; }
};

}  // namespace karone
