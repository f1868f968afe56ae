#include "app/ReconnectCountdown.h"

#include "platform/ThreadCheck.h"
#include "resources/Texts.h"

namespace karone {

ReconnectCountdown::ReconnectCountdown(const TaskRunner& owner, TimerService& timers,
                                       EventLog& log, std::function<bool()> busy,
                                       std::function<void()> reconnect)
    : owner_(owner),
      log_(log),
      busy_(std::move(busy)),
      reconnect_(std::move(reconnect)),
      minute_(timers.createTimer([this] { onMinute(); })) {}

void ReconnectCountdown::start() {
  KARONE_CHECK_THREAD(owner_);
  stop(false);
  minute_->start(kMinuteMillis);
  minutesLeft_ = kMinutes;
  active_ = true;
  log_.Log(formatText(Text::ReconnectCountdown, kMinutes));
}

void ReconnectCountdown::stop(bool announce) {
  KARONE_CHECK_THREAD(owner_);
  minute_->stop();
  if (announce && active_) log_.Log(text(Text::ReconnectStopped));
  active_ = false;
}

void ReconnectCountdown::onMinute() {
  if (busy_()) {
    stop(false);
    return;
  }
  --minutesLeft_;
  if (minutesLeft_ < 0) return;
  if (minutesLeft_ == 0) {
    reconnect_();
  } else {
    log_.Log(formatText(Text::ReconnectCountdown, minutesLeft_));
  }
}

}  // namespace karone
