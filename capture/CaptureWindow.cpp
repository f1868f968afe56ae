#include "capture/CaptureWindow.h"

#include "platform/ConnectorType.h"
#include "resources/Texts.h"

namespace karone {

namespace cm = capturemenu;

CaptureWindow::CaptureWindow(VideoCapture& system, TaskRunner& owner, CaptureWindowHost& host,
                             PipelineHost pipelineHost, Prompter& prompter, const Clock& clock,
                             TimerService& timers, PreviewSink* preview,
                             FramePipeline::Options options)
    : host_(host),
      onEvent_(pipelineHost.onEvent),
      prompter_(prompter),
      graph_(system),
      source_(graph_, preview) {
  pipeline_ = std::make_unique<FramePipeline>(source_, owner, std::move(pipelineHost), prompter,
                                              clock, timers, std::move(options));
}

void CaptureWindow::stopReconnectCountdown() {
  if (onEvent_) onEvent_(pipelineevent::StopReconnectCountdown{true});
}

bool CaptureWindow::commandsLocked() const {
  return pipeline_->locked() || pipeline_->capturing() || pipeline_->scheduled();
}

CaptureMenuItem CaptureWindow::devicesItem() const {
  const FramePipeline& p = *pipeline_;
  const std::vector<std::string>& names = p.deviceNames();
  CaptureMenuItem devices;
  devices.text = text(Text::MenuCaptureDevice);
  devices.isSubmenu = true;
  devices.enabled = !commandsLocked() && !names.empty();
  for (std::size_t i = 0; i < names.size(); ++i) {
    CaptureMenuItem item;
    item.command = cm::kDeviceBase + static_cast<int>(i);
    item.text = names[i];
    item.checked = static_cast<int>(i) == p.deviceIndex();
    devices.submenu.push_back(item);
  }
  return devices;
}

CaptureMenuItem CaptureWindow::sizesItem(bool locked) const {
  CaptureMenuItem sizes;
  sizes.text = text(Text::MenuImageSize);
  sizes.isSubmenu = true;
  const Text sizeTexts[kSizeCount] = {Text::MenuSize160x120, Text::MenuSize176x144,
                                      Text::MenuSize320x240};
  for (int i = 0; i < kSizeCount; ++i) {
    CaptureMenuItem item;
    item.command = cm::kSize160x120 + i;
    item.text = text(sizeTexts[i]);
    item.checked = pipeline_->imageWidth() == kSizes[i][0];
    item.enabled = !locked;
    sizes.submenu.push_back(item);
  }
  return sizes;
}

CaptureMenuItem CaptureWindow::sourcesItem() {
  FramePipeline& p = *pipeline_;
  CaptureMenuItem sources;
  sources.text = text(Text::MenuVideoSource);
  sources.command = cm::kVideoSource;
  sources.isSubmenu = true;
  const std::vector<int> inputs = videoInputTypes();
  if (inputs.empty()) {
    sources.enabled = false;
    p.setVideoSource(-1);
    return sources;
  }
  if (p.videoSource() == -1) p.setVideoSource(inputs.front());
  for (int type : inputs) {
    const std::string name = videoSourceName(type);
    if (name.empty()) continue;
    CaptureMenuItem item;
    item.command = cm::kVideoSourceBase + type;
    item.text = name;
    item.checked = type == p.videoSource();
    sources.submenu.push_back(item);
  }
  return sources;
}

CaptureMenu CaptureWindow::menu() {
  CaptureMenu menu;
  FramePipeline& p = *pipeline_;
  p.refreshDevices();
  const CaptureMenuItem devices = devicesItem();
  if (p.deviceIndex() < 0) {
    // Without a device there is nothing to show but the choice of one (a
    // camera the built-in preferences do not know could not be used
    // otherwise).
    if (!p.deviceNames().empty()) menu.items.push_back(devices);
    return menu;
  }
  const bool locked = commandsLocked();

  CaptureMenuItem preview;
  preview.command = cm::kPreview;
  preview.text = text(p.graphRunning() ? Text::MenuPreviewStop : Text::MenuPreviewStart);
  preview.enabled = !locked;

  CaptureMenuItem colours;
  colours.command = cm::kColourSettings;
  colours.text = text(Text::MenuColourSettings);
  colours.enabled = p.graphRunning() && graph_.procAmp() != nullptr &&
                    graph_.procAmp()->range(VideoProperty::Brightness) &&
                    graph_.procAmp()->range(VideoProperty::Contrast);

  CaptureMenuItem settings;
  settings.command = cm::kCaptureSettings;
  settings.text = text(Text::MenuCaptureSettings);
  settings.enabled = !locked;

  CaptureMenuItem cameras;
  cameras.command = cm::kNetworkCameras;
  cameras.text = text(Text::MenuNetworkCameras);

  CaptureMenuItem separator;
  separator.separator = true;
  CaptureMenuItem about;
  about.command = cm::kAbout;
  about.text = text(Text::MenuAbout);

  menu.items = {preview,  sizesItem(locked), sourcesItem(), devices, colours,
                settings, cameras,           separator,     about};
  return menu;
}

void CaptureWindow::onMenuCommand(int command) {
  FramePipeline& p = *pipeline_;
  const bool lockedOrCapturing = p.locked() || p.capturing();
  switch (command) {
    case cm::kPreview:
      if (!lockedOrCapturing) togglePreview();
      return;
    case cm::kSize160x120:
    case cm::kSize176x144:
    case cm::kSize320x240:
      selectImageSize(command - cm::kSize160x120);
      return;
    case cm::kCaptureSettings:
      if (lockedOrCapturing) return;
      host_.openCaptureSettings();
      stopReconnectCountdown();
      return;
    case cm::kColourSettings:
      if (p.graphRunning() && graph_.procAmp() != nullptr)
        host_.openColourSettings(*graph_.procAmp());
      stopReconnectCountdown();
      return;
    case cm::kAbout:
      host_.openAbout();
      return;
    case cm::kNetworkCameras:
      host_.openNetworkCameras();
      return;
    default:
      break;
  }
  if (command > cm::kVideoSourceBase && command < cm::kVideoSourceBase + cm::kRangeSize) {
    chooseVideoSource(command - cm::kVideoSourceBase);
  } else if (command >= cm::kDeviceBase && command < cm::kDeviceBase + cm::kRangeSize) {
    chooseDevice(command - cm::kDeviceBase);
  }
}

void CaptureWindow::togglePreview() {
  FramePipeline& p = *pipeline_;
  if (p.graphRunning()) {
    p.disableDevice();
  } else {
    warnAboutEnable(p.EnableDevice());
  }
  stopReconnectCountdown();
}

void CaptureWindow::warnAboutEnable(int result) {
  if (result == 0) return;
  if (!graph_.lastError().empty())
    host_.ShowStatus(formatText(Text::DeviceFailureReason, graph_.lastError().c_str()));
  if (result == 1) {
    prompter_.ask(text(Text::DeviceNotFound), text(Text::DeviceNotFoundCaption), PromptButtons::Ok,
                  PromptIcon::Warning);
  } else {
    prompter_.ask(text(Text::GrabberMissing), text(Text::GrabberMissingCaption), PromptButtons::Ok,
                  PromptIcon::Warning);
  }
}

void CaptureWindow::selectImageSize(int sizeIndex) {
  FramePipeline& p = *pipeline_;
  if (p.locked() || p.capturing()) return;
  if (sizeIndex < 0 || sizeIndex >= kSizeCount) return;
  p.setImageSize(kSizes[sizeIndex][0], kSizes[sizeIndex][1]);
  stopReconnectCountdown();
}

void CaptureWindow::chooseVideoSource(int type) {
  FramePipeline& p = *pipeline_;
  p.setVideoSource(type);
  if (p.graphRunning()) {
    p.disableDevice();
    warnAboutEnable(p.EnableDevice());
  }
  stopReconnectCountdown();
}

void CaptureWindow::chooseDevice(int index) {
  FramePipeline& p = *pipeline_;
  if (commandsLocked()) return;
  const std::vector<std::string>& names = p.deviceNames();
  if (index < 0 || index >= static_cast<int>(names.size())) return;
  chosenDevice_ = names[static_cast<std::size_t>(index)];
  const bool wasRunning = p.graphRunning();
  if (wasRunning) p.disableDevice();
  p.setDeviceIndex(index);
  p.setVideoSource(-1);  // the new device's first input, when the menu shows next
  if (wasRunning) warnAboutEnable(p.EnableDevice());
  stopReconnectCountdown();
}

std::vector<int> CaptureWindow::videoInputTypes() {
  std::vector<int> inputs, outputs;
  if (pipeline_->deviceIndex() < 0) return inputs;
  if (graph_.listVideoInputs(pipeline_->deviceIndex(), 400, 400, inputs, outputs) !=
      CaptureGraph::kListOk)
    inputs.clear();
  return inputs;
}

std::string CaptureWindow::lastDeviceName() const {
  return chosenDevice_ ? *chosenDevice_ : pipeline_->lastDeviceName();
}

}  // namespace karone
