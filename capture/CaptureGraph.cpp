#include "capture/CaptureGraph.h"

#include <algorithm>

#include "platform/ConnectorType.h"

namespace karone {
namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

CaptureGraph::CaptureGraph(VideoCapture& system) : system_(system) {}

CaptureGraph::~CaptureGraph() { teardown(); }

bool CaptureGraph::enumerateDevices() {
  auto names = system_.listDevices();
  if (!names || names->empty()) return false;
  deviceNames_ = std::move(*names);
  return true;
}

std::optional<std::string> CaptureGraph::deviceName(int index) const {
  if (index < 0 || index >= deviceCount()) return std::nullopt;
  return deviceNames_[static_cast<std::size_t>(index)];
}

int CaptureGraph::lastMatch(const std::vector<std::string>& names, const std::string& name) {
  for (int i = static_cast<int>(names.size()) - 1; i >= 0; --i) {
    if (equalIgnoringCase(names[static_cast<std::size_t>(i)], name)) return i;
  }
  return -1;
}

std::unique_ptr<VideoDevice> CaptureGraph::openNamed(int index) {
  auto name = deviceName(index);
  if (!name) {
    lastError_ = "no device at position " + std::to_string(index);
    return nullptr;
  }
  auto current = system_.listDevices();
  if (!current) {
    lastError_ = "the capture devices cannot be listed";
    return nullptr;
  }
  const int position = lastMatch(*current, *name);
  if (position < 0) {
    lastError_ = "device \"" + *name + "\" is gone";
    return nullptr;
  }
  auto device = system_.openDevice(position);
  if (!device) lastError_ = "device \"" + *name + "\" cannot be opened";
  return device;
}

bool CaptureGraph::bindDevice(int index) {
  if (!deviceName(index)) {
    lastError_ = "no device at position " + std::to_string(index);
    return false;
  }
  // A running graph belongs to the device being replaced.
  teardown();
  device_ = openNamed(index);
  return device_ != nullptr;
}

int CaptureGraph::failBuild(int result, const std::string& why) {
  lastError_ = why;
  teardown();
  return result;
}

int CaptureGraph::buildGraph(PreviewSink* preview) {
  if (!device_) return failBuild(kBuildFailed, "no device is bound");
  if (running_) return failBuild(kBuildFailed, "a graph is already running");
  PendingBuild build;
  build.device_ = std::move(device_);
  build.preview_ = preview;
  build.start();
  return adopt(build);
}

std::unique_ptr<CaptureGraph::PendingBuild> CaptureGraph::prepareBuild(int index,
                                                                       PreviewSink* preview) {
  auto device = openNamed(index);
  if (!device) return nullptr;
  auto build = std::make_unique<PendingBuild>();
  build->device_ = std::move(device);
  build->preview_ = preview;
  return build;
}

CaptureGraph::PendingBuild::~PendingBuild() {
  if (grabber_) grabber_->setEnabled(false);
  if (device_) device_->stop();
  if (grabber_) grabber_->release();
}

int CaptureGraph::PendingBuild::start() {
  crossbar_ = device_->crossbar();
  if (crossbar_.status == CrossbarInfo::Status::Failed) {
    error_ = "the input selector cannot be read: " + device_->lastError();
    return result_ = kBuildFailed;
  }
  auto grabber = std::make_shared<FrameGrabber>();
  grabber_ = grabber;
  // The callback holds the grabber, so a late frame never meets a freed one.
  auto onFrame = [grabber](const FrameRef& frame) { grabber->deliver(frame); };
  switch (device_->start(onFrame, preview_)) {
    case StartResult::Started:
      break;
    case StartResult::GrabberMissing:
      error_ = "frame grabbing is not available: " + device_->lastError();
      return result_ = kBuildNoGrabber;
    case StartResult::Failed:
      error_ = "the graph does not start: " + device_->lastError();
      return result_ = kBuildFailed;
  }
  auto format = device_->format();
  if (!format || format->width <= 0 || format->height <= 0 || format->bitsPerPixel != 24) {
    error_ = "the device delivers no usable frame format";
    return result_ = kBuildFailed;
  }
  grabber_->allocate(*format);
  grabber_->setEnabled(true);
  error_.clear();
  return result_ = kBuildOk;
}

int CaptureGraph::adopt(PendingBuild& build) {
  teardown();
  if (build.result_ != kBuildOk || !build.device_) {
    lastError_ = build.error_;
    return build.device_ ? build.result_ : kBuildFailed;
  }
  device_ = std::move(build.device_);
  grabber_ = std::move(build.grabber_);
  crossbar_ = build.crossbar_;
  procAmp_ = device_->procAmp();
  running_ = true;
  lastError_.clear();
  return kBuildOk;
}

void CaptureGraph::teardown() {
  running_ = false;
  if (grabber_) grabber_->setEnabled(false);
  if (device_) device_->stop();
  // The device's last buffer goes back before the device itself.
  if (grabber_) grabber_->release();
  procAmp_ = nullptr;
  crossbar_ = CrossbarInfo{};
  device_.reset();
  grabber_.reset();
}

std::optional<FrameFormat> CaptureGraph::frameSize() const {
  if (!grabber_) return std::nullopt;
  return grabber_->format();
}

bool CaptureGraph::grabFrame(VideoFrame& out) {
  if (!running_ || !grabber_) return false;
  return grabber_->copyLatest(out);
}

std::optional<std::uint64_t> CaptureGraph::framesArrived() const {
  if (!running_ || !grabber_ || !device_ || !device_->live()) return std::nullopt;
  return grabber_->framesKept() + grabber_->framesDropped();
}

std::optional<std::chrono::milliseconds> CaptureGraph::silence() const {
  if (!running_ || !grabber_ || !device_ || !device_->live()) return std::nullopt;
  return grabber_->silence();
}

std::string CaptureGraph::runFailure() const {
  return running_ && device_ ? device_->runFailure() : std::string();
}

bool CaptureGraph::waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const {
  return grabber_ && grabber_->waitForFrames(count, timeout);
}

int CaptureGraph::listVideoInputs(int deviceIndex, int inputCapacity, int outputCapacity,
                                  std::vector<int>& inputs, std::vector<int>& outputs) {
  inputs.clear();
  outputs.clear();
  CrossbarInfo info;
  if (running_ && hasCrossbar()) {
    info = crossbar_;
  } else {
    if (!enumerateDevices()) return kListFailed;
    auto name = deviceName(deviceIndex);
    if (!name) return kListFailed;
    auto current = system_.listDevices();
    if (!current) return kListFailed;
    const int position = lastMatch(*current, *name);
    if (position < 0) return kListFailed;
    auto probe = system_.openDevice(position);
    if (!probe) return kListFailed;
    info = probe->crossbar();
    // A device whose selector cannot be found has none.
    if (info.status != CrossbarInfo::Status::Present) return kListOk;
  }
  if (static_cast<int>(info.inputs.size()) > inputCapacity ||
      static_cast<int>(info.outputs.size()) > outputCapacity) {
    return kListTooManyPins;
  }
  inputs = info.inputs;
  outputs = info.outputs;
  return kListOk;
}

bool CaptureGraph::RouteVideoInput(int connectorType) {
  if (!device_ || !hasCrossbar() || crossbar_.inputs.empty()) return false;
  auto in = std::find(crossbar_.inputs.begin(), crossbar_.inputs.end(), connectorType);
  if (in == crossbar_.inputs.end()) return false;
  auto out = std::find(crossbar_.outputs.begin(), crossbar_.outputs.end(), connector::kVideoDecoder);
  if (out == crossbar_.outputs.end()) {
    lastError_ = "the input selector has no video decoder output";
    return false;
  }
  if (!device_->route(static_cast<int>(out - crossbar_.outputs.begin()),
                      static_cast<int>(in - crossbar_.inputs.begin()))) {
    lastError_ = "the device refused the input: " + device_->lastError();
    return false;
  }
  return true;
}

}  // namespace karone
