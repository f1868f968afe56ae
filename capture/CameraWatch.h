#pragma once
// Watches a running camera and paces its reopening when it has gone.
//
// A camera counts as gone when its graph reports a failure (a pipeline
// error: unplugged, the stream broke off, the server went away) or when no
// new frame has come for kSilenceLimit seconds (a network camera that stops
// sending without closing). While it is gone it is reopened after 1, 2, 4,
// 8, 16 and then every 30 seconds, until it answers again.
//
// Plain state driven by the capture pipeline's once-a-second tick; owner's
// thread only.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace karone {

class CameraWatch {
 public:
  static constexpr Seconds kSilenceLimit = 5;
  static constexpr Seconds kFirstRetry = 1;
  static constexpr Seconds kLongestRetry = 30;

  enum class State { Idle, Watching, Gone };
  State state() const { return state_; }

  // The camera was opened (again): watch it from now.
  void opened();
  // The operator closed it: nothing to watch.
  void closed() { state_ = State::Idle; }

  // Watching: the reason the camera counts as gone now, if it does.
  // silence is how long it has sent nothing, measured in real time by the
  // device's side (nullopt: not watched); failure what went wrong with it,
  // empty while nothing did.
  std::optional<std::string> check(std::optional<std::chrono::milliseconds> silence,
                                   const std::string& failure);

  // The camera is gone from now on.
  void gone(Seconds now);
  // Gone: time to try opening it again.
  bool retryDue(Seconds now) const { return state_ == State::Gone && now >= nextRetry_; }
  // The attempt failed: the next one waits twice as long (up to the cap).
  void retryFailed(Seconds now);
  // How long it has been gone (Gone only).
  Seconds goneFor(Seconds now) const { return now - goneSince_; }
  // The delay before the next attempt, as it stands.
  Seconds retryDelay() const { return delay_; }

 private:
  State state_ = State::Idle;
  Seconds goneSince_ = 0;
  Seconds nextRetry_ = 0;
  Seconds delay_ = kFirstRetry;
};

}  // namespace karone
