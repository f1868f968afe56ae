#pragma once
// A FrameSource for pipeline tests: a chosen device list and frame size;
// every grab returns a new frame numbered from 1, painted by a function of
// that number (by default a flat grey of 10 × number).
#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/CaptureDefaults.h"
#include "capture/FrameSource.h"
#include "platform/VideoCapture.h"

namespace karone::testing {

class ScriptedFrameSource final : public FrameSource {
 public:
  std::vector<std::string> devices{kTestPatternDeviceName};
  int width = kDefaultImageWidth;  // frames need no scaling
  int height = kDefaultImageHeight;
  bool failBind = false;
  int buildResult = 0;
  bool failGrab = false;
  int grabs = 0;
  int builds = 0;
  // A live camera for the camera watch: frame() sends one (unless frozen),
  // silentSeconds is how long it has sent none; runFailure is reported
  // while running.
  bool countsFrames = false;
  bool frozen = false;
  std::uint64_t arrived = 0;
  int silentSeconds = 0;
  std::string failure;
  std::vector<int> routed;
  // When valid, a reopen's start waits for it on the opener thread.
  std::shared_future<void> startHeld;
  std::atomic<int> startsBegun{0};
  // Paints frame number n (1-based) into a picture of width × height.
  std::function<void(Picture&, int)> paint = [](Picture& p, int n) {
    std::fill(p.bytes().begin(), p.bytes().end(), static_cast<std::uint8_t>(10 * n));
  };

  std::vector<std::string> enumerateDevices() override { return devices; }
  bool bindDevice(int index) override {
    bound_ = !failBind && index >= 0 && index < static_cast<int>(devices.size());
    return bound_;
  }
  int buildGraph() override {
    ++builds;
    if (!bound_) return 1;
    if (buildResult != 0) {
      bound_ = false;
      return buildResult;
    }
    running_ = true;
    arrived = 0;
    return 0;
  }
  std::unique_ptr<Opening> prepareOpen(int index) override {
    struct Held final : Opening {
      ScriptedFrameSource* source = nullptr;
      std::shared_future<void> held;
      int start() override {
        ++source->startsBegun;
        if (held.valid()) held.wait();
        return 0;
      }
    };
    if (!bindDevice(index)) return nullptr;
    auto opening = std::make_unique<Held>();
    opening->source = this;
    opening->held = startHeld;
    return opening;
  }
  bool RouteVideoInput(int type) override {
    routed.push_back(type);
    return false;
  }
  void teardown() override { running_ = bound_ = false; }
  bool running() const override { return running_; }
  bool frameSize(int& w, int& h, int& bits) const override {
    if (!running_) return false;
    w = width;
    h = height;
    bits = 24;
    return true;
  }
  std::optional<std::uint64_t> framesArrived() const override {
    if (!countsFrames || !running_) return std::nullopt;
    return arrived;
  }
  std::optional<std::chrono::milliseconds> silence() const override {
    if (!countsFrames || !running_) return std::nullopt;
    return std::chrono::seconds(silentSeconds);
  }
  std::string runFailure() const override { return running_ ? failure : std::string(); }
  // A second of the camera's life: one frame, or one more second of silence.
  void frame() {
    if (frozen) {
      ++silentSeconds;
    } else {
      ++arrived;
      silentSeconds = 0;
    }
  }
  bool grabFrame(Picture& frame) override {
    if (!running_ || failGrab) return false;
    frame = Picture(width, height);
    paint(frame, ++grabs);
    return true;
  }

 private:
  bool bound_ = false;
  bool running_ = false;
};

}  // namespace karone::testing
