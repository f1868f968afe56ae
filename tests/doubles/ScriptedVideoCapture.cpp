#include "tests/doubles/ScriptedVideoCapture.h"

#include <algorithm>

#include "tests/doubles/ScriptedVideoDevice.h"

namespace karone {

ScriptedVideoCapture::~ScriptedVideoCapture() = default;

void ScriptedVideoCapture::addDevice(const ScriptedDevice& device) { devices_.push_back(device); }

std::optional<std::vector<std::string>> ScriptedVideoCapture::listDevices() {
  if (listingFails_) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& d : devices_) names.push_back(d.name);
  return names;
}

std::unique_ptr<VideoDevice> ScriptedVideoCapture::openDevice(int position) {
  if (position < 0 || position >= static_cast<int>(devices_.size())) return nullptr;
  const ScriptedDevice& script = devices_[static_cast<std::size_t>(position)];
  if (script.failsToBind) return nullptr;
  ++timesBound_;
  return std::make_unique<ScriptedVideoDevice>(*this, script);
}

bool ScriptedVideoCapture::produceFrame(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  std::lock_guard produceLock(produceMutex_);
  int width = 0;
  int height = 0;
  {
    std::lock_guard lock(mutex_);
    for (auto* d : live_) {
      if (d->running()) {
        width = d->script().width;
        height = d->script().height;
      }
    }
  }
  if (width == 0) return false;
  scratch_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  for (std::size_t i = 0; i + 2 < scratch_.size(); i += 3) {
    scratch_[i] = blue;
    scratch_[i + 1] = green;
    scratch_[i + 2] = red;
  }
  return deliverToRunning(FrameView{scratch_.data(), width, height, width * 3});
}

bool ScriptedVideoCapture::produceFrame(const FrameView& frame) {
  std::lock_guard produceLock(produceMutex_);
  return deliverToRunning(frame);
}

bool ScriptedVideoCapture::deliverToRunning(const FrameView& frame) {
  ScriptedVideoDevice* target = nullptr;
  {
    std::lock_guard lock(mutex_);
    for (auto* d : live_) {
      if (d->running()) target = d;
    }
  }
  // produceMutex_ keeps the target alive: a device waits for it before it
  // leaves the list.
  return target != nullptr && target->deliver(frame);
}

int ScriptedVideoCapture::devicesBound() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(live_.size());
}

bool ScriptedVideoCapture::deviceRunning() const {
  std::lock_guard lock(mutex_);
  return std::any_of(live_.begin(), live_.end(), [](auto* d) { return d->running(); });
}

std::string ScriptedVideoCapture::runningDeviceName() const {
  std::lock_guard lock(mutex_);
  for (auto* d : live_) {
    if (d->running()) return d->script().name;
  }
  return {};
}

std::vector<std::pair<int, int>> ScriptedVideoCapture::routes() const {
  std::lock_guard lock(mutex_);
  return routes_;
}

std::optional<int> ScriptedVideoCapture::propertyValue(VideoProperty property) const {
  std::lock_guard lock(mutex_);
  for (auto* d : live_) {
    if (d->running()) return d->get(property);
  }
  return std::nullopt;
}

void ScriptedVideoCapture::deviceCreated(ScriptedVideoDevice* device) {
  std::lock_guard lock(mutex_);
  live_.push_back(device);
}

void ScriptedVideoCapture::deviceDestroyed(ScriptedVideoDevice* device) {
  std::lock_guard produceLock(produceMutex_);
  std::lock_guard lock(mutex_);
  live_.erase(std::remove(live_.begin(), live_.end(), device), live_.end());
}

void ScriptedVideoCapture::routed(int output, int input) {
  std::lock_guard lock(mutex_);
  routes_.emplace_back(output, input);
}

}  // namespace karone
