#include "app/AutoStart.h"

#include "resources/Texts.h"

namespace karone {
namespace {

std::string joined(const std::vector<std::string>& names) {
  if (names.empty()) return text(Text::ServerNone);
  std::string all;
  for (const auto& n : names) all += (all.empty() ? "\"" : ", \"") + n + "\"";
  return all;
}

}  // namespace

AutoStart::AutoStart(RunController& controller, TimerService& timers,
                     std::function<void(const std::string&)> onConnectFailure)
    : controller_(controller), onConnectFailure_(std::move(onConnectFailure)) {
  watch_ = timers.createTimer([this] { tick(); });
}

AutoStart::Failure AutoStart::begin(const Options& options) {
  // The profile: the one named, or the line the window last had selected.
  int line = -1;
  if (options.connect) {
    const std::vector<std::string>& lines = controller_.profileLines();
    line = controller_.selectedLine();
    if (lines.empty()) return {2, text(Text::ServerNoProfiles)};
    if (!options.profile.empty()) {
      line = -1;
      for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == options.profile) line = static_cast<int>(i);
      if (line < 0)
        return {2,
                formatText(Text::ServerNoProfile, options.profile.c_str(), joined(lines).c_str())};
    } else if (line < 0) {
      return {2, formatText(Text::ServerNoProfileSelected, joined(lines).c_str())};
    }
    profileName_ = lines[static_cast<std::size_t>(line)];
  }

  // The camera: the one named, or the one the window would prefer.
  FramePipeline& pipeline = controller_.captureWindow().pipeline();
  pipeline.refreshDevices();
  const std::vector<std::string> devices = pipeline.deviceNames();
  if (!options.device.empty()) {
    int index = -1;
    for (std::size_t i = 0; i < devices.size(); ++i)
      if (devices[i] == options.device) index = static_cast<int>(i);
    if (index < 0)
      return {2, formatText(Text::ServerNoDevice, options.device.c_str(), joined(devices).c_str())};
    controller_.captureMenuCommand(capturemenu::kDeviceBase + index);
  } else if (pipeline.deviceIndex() < 0) {
    return {1, formatText(Text::ServerNoPreferredDevice, joined(devices).c_str())};
  }
  if (!pipeline.graphRunning()) controller_.captureMenuCommand(capturemenu::kPreview);
  if (!pipeline.graphRunning()) {
    return {1, formatText(Text::ServerDeviceFailed,
                          devices[static_cast<std::size_t>(pipeline.deviceIndex())].c_str())};
  }

  if (!options.connect) return {};
  controller_.selectProfileLineShown(line);
  controller_.connectDisconnect();
  started_ = !options.startSending;
  watch_->start(100);
  return {};
}

void AutoStart::tick() {
  ++ticks_;
  if (controller_.exitArmed()) {
    watch_->stop();
    return;
  }
  if (controller_.connected()) everConnected_ = true;
  if (!started_ && controller_.connected() && !controller_.capturing()) {
    controller_.startStopSending();
    started_ = true;
  }
  const bool dialling = controller_.dialupLink().WeDialled();
  if (!everConnected_ && !failed_ && ticks_ > 5 && !dialling &&
      controller_.uploader().IsIdle() && !controller_.connected()) {
    failed_ = true;
    watch_->stop();
    if (onConnectFailure_)
      onConnectFailure_(formatText(Text::ServerCannotConnect, profileName_.c_str(),
                                   controller_.activeProfile().address.c_str()));
    return;
  }
  if (started_ && everConnected_) watch_->stop();
}

}  // namespace karone
