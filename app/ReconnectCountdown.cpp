#include "app/ReconnectCountdown.h"

#include "resources/Texts.h"

namespace karone {

ReconnectCountdown::ReconnectCountdown(TimerService& timers, EventLog& log,
                                       std::function<bool()> busy,
                                       std::function<void()> reconnect)
    : log_(log),
      busy_(std::move(busy)),
      reconnect_(std::move(reconnect)),
      minute_(timers.createTimer([this] { onMinute(); })) {}

void ReconnectCountdown::start() {
  stop(false);
  minute_->start(kMinuteMillis);
  minutesLeft_ = kMinutes;
  active_ = true;
  log_.Log(formatText(Text::ReconnectCountdown, kMinutes));
}

void ReconnectCountdown::stop(bool announce) {
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
