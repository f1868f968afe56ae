#pragma once
// A capture system whose devices a test describes: their names and sizes,
// an input selector with chosen inputs and outputs, brightness and contrast
// or none, a frame grabber that is missing, a device that cannot be bound or
// started. Frames are produced on demand (produceFrame) instead of by a
// camera, and what the graph did to the devices is recorded.
//
// Threads: everything is called from the test's thread except produceFrame,
// which plays the streaming thread and may run on another thread (the frame
// callback must not call back into this object). The
// capture system must outlive every device it handed out.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/VideoCapture.h"

namespace karone {

class ScriptedVideoDevice;

struct ScriptedDevice {
  std::string name = "Scripted Camera";
  int width = 320;
  int height = 240;
  // Input selector pins as connector types; no inputs means no selector.
  std::vector<int> crossbarInputs;
  std::vector<int> crossbarOutputs;
  bool crossbarFails = false;  // asking for the selector fails
  bool routeFails = false;     // the selector refuses every route
  bool hasProcAmp = true;
  PropertyRange brightnessRange{-100, 100, 1, 0};
  PropertyRange contrastRange{0, 200, 1, 100};
  bool failsToBind = false;
  bool grabberMissing = false;
  bool failsToStart = false;
};

class ScriptedVideoCapture final : public VideoCapture {
 public:
  ScriptedVideoCapture() = default;
  ~ScriptedVideoCapture() override;

  void addDevice(const ScriptedDevice& device);
  void setListingFails(bool fails) { listingFails_ = fails; }

  std::optional<std::vector<std::string>> listDevices() override;
  std::unique_ptr<VideoDevice> openDevice(int position) override;

  // Delivers one frame of uniform colour (or the given pixels) from the
  // running device. False when no device runs.
  bool produceFrame(std::uint8_t blue, std::uint8_t green, std::uint8_t red);
  bool produceFrame(const FrameView& frame);

  // What happened.
  int devicesBound() const;          // devices handed out and not yet released
  int timesBound() const { return timesBound_; }
  bool deviceRunning() const;
  std::string runningDeviceName() const;
  std::vector<std::pair<int, int>> routes() const;  // (output, input) per route call
  std::optional<int> propertyValue(VideoProperty property) const;  // of the running device

 private:
  friend class ScriptedVideoDevice;
  void deviceCreated(ScriptedVideoDevice* device);
  void deviceDestroyed(ScriptedVideoDevice* device);
  void routed(int output, int input);
  bool deliverToRunning(const FrameView& frame);

  std::vector<ScriptedDevice> devices_;
  bool listingFails_ = false;
  int timesBound_ = 0;
  mutable std::mutex mutex_;  // guards live_ and routes_
  std::vector<ScriptedVideoDevice*> live_;
  std::vector<std::pair<int, int>> routes_;
  std::mutex produceMutex_;  // held while a frame is produced; guards scratch_
  std::vector<std::uint8_t> scratch_;
};

}  // namespace karone
