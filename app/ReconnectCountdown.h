#pragma once
// The countdown after the uploader has given up: every minute a line
// "reconnecting in N minutes", and after fifteen minutes one more try to
// connect. It ends by itself as soon as a session or capture runs again.
//
// Threads: the controller's thread only.
#include <functional>
#include <memory>

#include "ftp/EventLog.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"

namespace karone {

class ReconnectCountdown {
 public:
  static constexpr int kMinuteMillis = 60000;
  static constexpr int kMinutes = 15;

  // busy: capture or a session runs (the countdown is not needed any more);
  // reconnect: the last try.
  ReconnectCountdown(const TaskRunner& owner, TimerService& timers, EventLog& log,
                     std::function<bool()> busy, std::function<void()> reconnect);

  void start();
  // announce: say that it stopped (when it was running).
  void stop(bool announce);
  bool active() const { return active_; }
  int minutesLeft() const { return minutesLeft_; }

 private:
  void onMinute();

  const TaskRunner& owner_;
  EventLog& log_;
  std::function<bool()> busy_;
  std::function<void()> reconnect_;
  std::unique_ptr<Timer> minute_;
  bool active_ = false;
  int minutesLeft_ = kMinutes;
};

}  // namespace karone
