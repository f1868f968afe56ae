#include "tests/doubles/ScriptedVideoDevice.h"

namespace karone {

ScriptedVideoDevice::ScriptedVideoDevice(ScriptedVideoCapture& owner, ScriptedDevice script)
    : owner_(owner),
      script_(std::move(script)),
      brightness_(script_.brightnessRange.defaultValue),
      contrast_(script_.contrastRange.defaultValue) {
  owner_.deviceCreated(this);
}

ScriptedVideoDevice::~ScriptedVideoDevice() {
  stop();
  owner_.deviceDestroyed(this);
}

StartResult ScriptedVideoDevice::start(FrameCallback onFrame, PreviewSink* preview) {
  if (running_.load()) {
    lastError_ = "already running";
    return StartResult::Failed;
  }
  if (script_.grabberMissing) {
    lastError_ = "no frame grabber";
    return StartResult::GrabberMissing;
  }
  if (script_.failsToStart) {
    lastError_ = "device refused to start";
    return StartResult::Failed;
  }
  std::lock_guard lock(deliverMutex_);
  onFrame_ = std::move(onFrame);
  preview_ = preview;
  running_.store(true);
  lastError_.clear();
  return StartResult::Started;
}

void ScriptedVideoDevice::stop() {
  std::lock_guard lock(deliverMutex_);
  running_.store(false);
  onFrame_ = nullptr;
  preview_ = nullptr;
}

std::optional<FrameFormat> ScriptedVideoDevice::format() const {
  if (!running_.load()) return std::nullopt;
  return FrameFormat{script_.width, script_.height, 24};
}

CrossbarInfo ScriptedVideoDevice::crossbar() {
  CrossbarInfo info;
  if (script_.crossbarFails) {
    info.status = CrossbarInfo::Status::Failed;
  } else if (!script_.crossbarInputs.empty()) {
    info.status = CrossbarInfo::Status::Present;
    info.inputs = script_.crossbarInputs;
    info.outputs = script_.crossbarOutputs;
  }
  return info;
}

bool ScriptedVideoDevice::route(int outputIndex, int inputIndex) {
  if (script_.crossbarInputs.empty() || inputIndex < 0 || outputIndex < 0 ||
      inputIndex >= static_cast<int>(script_.crossbarInputs.size()) ||
      outputIndex >= static_cast<int>(script_.crossbarOutputs.size())) {
    return false;
  }
  if (script_.routeFails) {
    lastError_ = "route refused";
    return false;
  }
  owner_.routed(outputIndex, inputIndex);
  return true;
}

VideoProcAmp* ScriptedVideoDevice::procAmp() {
  return running_.load() && script_.hasProcAmp ? this : nullptr;
}

std::optional<PropertyRange> ScriptedVideoDevice::range(VideoProperty property) {
  if (!script_.hasProcAmp) return std::nullopt;
  return property == VideoProperty::Brightness ? script_.brightnessRange : script_.contrastRange;
}

std::optional<int> ScriptedVideoDevice::get(VideoProperty property) {
  if (!script_.hasProcAmp) return std::nullopt;
  return property == VideoProperty::Brightness ? brightness_ : contrast_;
}

bool ScriptedVideoDevice::set(VideoProperty property, int value) {
  auto r = range(property);
  if (!r || value < r->minimum || value > r->maximum) return false;
  (property == VideoProperty::Brightness ? brightness_ : contrast_) = value;
  return true;
}

bool ScriptedVideoDevice::deliver(const FrameView& frame) {
  std::lock_guard lock(deliverMutex_);
  if (!running_.load()) return false;
  const FrameRef shared = CopiedFrame::of(frame);
  if (onFrame_) onFrame_(shared);
  if (preview_ != nullptr) preview_->presentFrame(shared);
  return true;
}

}  // namespace karone
