#pragma once
// A device of ScriptedVideoCapture, behaving as its ScriptedDevice says.
// Same threading as VideoDevice; deliver() is what the capture system's
// produceFrame calls, on whatever thread plays the streaming thread.
#include <atomic>
#include <mutex>

#include "tests/doubles/ScriptedVideoCapture.h"

namespace karone {

class ScriptedVideoDevice final : public VideoDevice, public VideoProcAmp {
 public:
  ScriptedVideoDevice(ScriptedVideoCapture& owner, ScriptedDevice script);
  ~ScriptedVideoDevice() override;

  StartResult start(FrameCallback onFrame, PreviewSink* preview) override;
  void stop() override;
  bool running() const override { return running_.load(); }
  std::optional<FrameFormat> format() const override;
  CrossbarInfo crossbar() override;
  bool route(int outputIndex, int inputIndex) override;
  VideoProcAmp* procAmp() override;
  std::string lastError() const override { return lastError_; }

  std::optional<PropertyRange> range(VideoProperty property) override;
  std::optional<int> get(VideoProperty property) override;
  bool set(VideoProperty property, int value) override;

  const ScriptedDevice& script() const { return script_; }
  // Hands a frame to the callback and the preview; false while stopped.
  bool deliver(const FrameView& frame);

 private:
  ScriptedVideoCapture& owner_;
  ScriptedDevice script_;
  std::atomic<bool> running_{false};
  std::mutex deliverMutex_;  // stop() waits for a delivery in progress
  FrameCallback onFrame_;
  PreviewSink* preview_ = nullptr;
  int brightness_;
  int contrast_;
  std::string lastError_;
};

}  // namespace karone
