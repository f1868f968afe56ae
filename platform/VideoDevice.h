#pragma once
// One bound capture device. It runs a live graph that hands every frame, of
// the device's native size, to a frame callback (and to an optional preview
// sink) as one SharedFrame, which becomes 24-bit BGR when somebody looks at
// it; it offers its input selector and its brightness and contrast.
//
// Threads: every member function is called from one owner thread (the
// window thread). The frame callback and the preview sink run on the
// device's streaming thread; stop() returns only when no callback runs any
// more and none will follow. Destroying a device stops it and releases it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/PreviewSink.h"
#include "platform/VideoFrame.h"
#include "platform/VideoProcAmp.h"

namespace karone {

// Receives every frame on the streaming thread; must not block, and keeps
// the frame only as long as it needs it.
using FrameCallback = std::function<void(const FrameRef&)>;

// The device's input selector: physical connector types of its inputs and
// outputs, in pin order.
struct CrossbarInfo {
  enum class Status {
    Absent,   // the device has no input selection (one input or none)
    Present,  // inputs and outputs listed
    Failed,   // the device could not be asked
  };
  Status status = Status::Absent;
  std::vector<int> inputs;
  std::vector<int> outputs;
};

enum class StartResult {
  Started,
  Failed,          // the graph could not be built or did not start delivering
  GrabberMissing,  // the frame grabbing element is not available on this system
};

class VideoDevice {
 public:
  virtual ~VideoDevice() = default;

  // Builds and runs the live graph. On success the first frame format is
  // known (format() answers) and frames flow to onFrame and preview (which
  // may be null) until stop(). preview must outlive the run.
  virtual StartResult start(FrameCallback onFrame, PreviewSink* preview) = 0;
  virtual void stop() = 0;
  virtual bool running() const = 0;

  // Native size of the delivered frames; nullopt while stopped.
  virtual std::optional<FrameFormat> format() const = 0;

  // Works whether or not the device runs.
  virtual CrossbarInfo crossbar() = 0;
  // Connects crossbar input inputIndex to output outputIndex.
  virtual bool route(int outputIndex, int inputIndex) = 0;

  // Brightness and contrast while running; null when the device has none.
  virtual VideoProcAmp* procAmp() = 0;

  // What went wrong last, for the log; empty when nothing did.
  virtual std::string lastError() const = 0;
  // Why the running graph broke after it had started (the device was
  // unplugged, the stream ended or failed); empty while it runs well.
  // Any thread.
  virtual std::string runFailure() const { return {}; }
  // Frames come on their own, paced by the device's clock, so that a
  // device that sends none for seconds is in trouble (scripted devices that
  // deliver on request are not).
  virtual bool live() const { return false; }
  // Any thread: a start under way (or to come) gives up at once and fails;
  // for a device that is dropped while another thread starts it.
  virtual void abandonStart() {}
};

}  // namespace karone
