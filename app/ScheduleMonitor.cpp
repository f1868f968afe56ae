#include "app/ScheduleMonitor.h"

#include "platform/ThreadCheck.h"
#include "resources/Texts.h"
#include "schedule/ScheduleCountdown.h"
#include "schedule/ScheduleRules.h"

namespace karone {

ScheduleMonitor::ScheduleMonitor(Parts parts)
    : parts_(std::move(parts)),
      timer_(parts_.timers.createTimer([this] { tick(); })),
      drain_(parts_.timers.createTimer([this] { drain(); })) {}

void ScheduleMonitor::start() {
  KARONE_CHECK_THREAD(parts_.owner);
  timer_->start(kPeriodMillis);
  tick();
}

void ScheduleMonitor::stop() { timer_->stop(); }

bool ScheduleMonitor::capturing() const { return parts_.capture.pipeline().capturing(); }

std::optional<ScheduleInfo> ScheduleMonitor::running() const {
  return parts_.capture.pipeline().scheduled() ? running_ : std::nullopt;
}

void ScheduleMonitor::showLines(const std::string& a, const std::string& b, const std::string& c) {
  parts_.view.setScheduleLines(" " + a, " " + b, " " + c);
}

void ScheduleMonitor::tick() {
  const Seconds now = parts_.clock.now();
  if (running()) {
    showRunning(now);
  } else {
    // Leaving: the lines still show what is next, but nothing is dialled,
    // connected or started any more.
    showNext(!parts_.exitStarted());
  }
  parts_.connection.everySecond(!parts_.exitStarted() && !skipSessionCheck_);
  skipSessionCheck_ = false;
}

void ScheduleMonitor::showRunning(Seconds now) {
  const Seconds left = timeUntilEnd(*running_, now);
  showLines(running_->name, formatCountdown(left), text(Text::ScheduleStatusRunning));
  if (left < 1) stopRun();
}

void ScheduleMonitor::showNext(bool act) {
  std::int64_t s = 0;
  ScheduleInfo next;
  if (!parts_.store.findNextDue(s, next)) {
    showLines(text(Text::NoScheduleName), emptyCountdown(), " ");
    return;
  }
  showLines(next.name, formatCountdown(s), text(Text::ScheduleStatusOnTime));
  if (act) actOnNext(s, next);
}

void ScheduleMonitor::actOnNext(Seconds s, const ScheduleInfo& next) {
  if (s == 1 || s == 60 || s == 61) skipSessionCheck_ = true;
  if (s > 300) {
    fiveMinuteNoticeDone_ = false;
  } else if (s > 60) {
    oneMinuteNoticeDone_ = false;
  }
  auto refuseWhileCapturing = [this] {
    if (!capturing()) return false;
    parts_.log.Log(text(Text::CapturingRecognised));
    parts_.log.Log(text(Text::ScheduleCannotRegister));
    return true;
  };
  if (s <= 300 && !fiveMinuteNoticeDone_) {
    fiveMinuteNoticeDone_ = true;
    ProfileInfo profile;
    if (!refuseWhileCapturing() && parts_.store.findProfile(next.ftpProfileName, profile) &&
        profile.useDialup != 0) {
      parts_.log.Log(text(Text::FiveMinutesBefore));
      parts_.connection.dial(profile, true);
    }
  } else if (s <= 60 && !oneMinuteNoticeDone_) {
    oneMinuteNoticeDone_ = true;
    if (!refuseWhileCapturing()) {
      parts_.log.Log(text(Text::OneMinuteBefore));
      if (!prepareRun(next)) parts_.log.Log(text(Text::ScheduleCannotRegister));
    }
  } else if (s <= 0) {
    startRun(next);
  }
}

bool ScheduleMonitor::prepareRun(const ScheduleInfo& schedule) {
  parts_.log.Log(text(Text::EnablingDevice));
  parts_.working.mode = schedule.captureMode;
  FramePipeline& p = parts_.capture.pipeline();
  if (schedule.videoSource != -1) {
    // Also kept for the preview about to be switched on, which routes it.
    p.setVideoSource(schedule.videoSource);
    parts_.capture.graph().RouteVideoInput(schedule.videoSource);
  }
  parts_.capture.selectImageSize(schedule.videoSize);
  if (!p.graphRunning()) {
    if (p.EnableDevice() != 0) {
      parts_.log.Log(text(Text::DeviceCannotBeEnabled));
      return false;
    }
    parts_.log.Log(text(Text::ImageCaptureStarted));
  }
  p.setLocked(true);

  ProfileInfo profile;
  if (!parts_.store.findProfile(schedule.ftpProfileName, profile)) return false;
  parts_.connection.openForSchedule(profile);
  return true;
}

void ScheduleMonitor::startRun(const ScheduleInfo& schedule) {
  FramePipeline& p = parts_.capture.pipeline();
  if (!parts_.connection.connected() || !p.graphRunning()) {
    parts_.log.Log(text(Text::ScheduleRunError));
    return;
  }
  parts_.working.autoReconnectProfile = schedule.ftpProfileName;
  p.setFramesPerSecond(parts_.working.frameRate);
  p.AllocateSlots(parts_.working.framesPerStrip);
  parts_.log.Log(text(Text::ScheduledCaptureStarted));
  running_ = schedule;
  const CaptureSessionSettings session{parts_.working.mode, schedule.updatePeriod,
                                       parts_.working.autoReconnect};
  if (p.StartCapture(true, session)) parts_.view.setBufferButtonsEnabled(false);
}

void ScheduleMonitor::stopRun() {
  KARONE_CHECK_THREAD(parts_.owner);
  parts_.log.Log(text(Text::ScheduledCaptureDone));
  FramePipeline& p = parts_.capture.pipeline();
  p.StopCapture();
  parts_.view.setBufferButtonsEnabled(true);
  p.disableDevice();
  drain_->start(kDrainMillis);
}

void ScheduleMonitor::drain() {
  if (!parts_.uploader.IsIdle()) return;
  drain_->stop();
  parts_.connection.close();
}

void ScheduleMonitor::stillFiveMinutes() {
  KARONE_CHECK_THREAD(parts_.owner);
  ProfileInfo profile;
  if (!parts_.store.findProfile(parts_.working.autoReconnectProfile, profile)) return;
  parts_.connection.setActive(profile);
  if (profile.useDialup == 0) return;
  parts_.connection.setDialParams(profile);
  parts_.connection.link().setDialOnly(true);
  parts_.log.Log(text(Text::FiveMinutesBefore));
  parts_.connection.link().Dial();
}

void ScheduleMonitor::stillOneMinute() {
  KARONE_CHECK_THREAD(parts_.owner);
  ProfileInfo profile;
  if (!parts_.store.findProfile(parts_.working.autoReconnectProfile, profile)) return;
  parts_.log.Log(text(Text::OneMinuteBefore));
  parts_.connection.openDirect(profile);
}

}  // namespace karone
