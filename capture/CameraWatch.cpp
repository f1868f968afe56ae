#include "capture/CameraWatch.h"

#include <algorithm>

namespace karone {

void CameraWatch::opened() {
  state_ = State::Watching;
  delay_ = kFirstRetry;
}

std::optional<std::string> CameraWatch::check(std::optional<std::chrono::milliseconds> silence,
                                              const std::string& failure) {
  if (state_ != State::Watching) return std::nullopt;
  if (!failure.empty()) return failure;
  if (silence && *silence >= std::chrono::seconds(kSilenceLimit)) {
    return "no picture for " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(*silence).count()) +
           " seconds";
  }
  return std::nullopt;
}

void CameraWatch::gone(Seconds now) {
  state_ = State::Gone;
  goneSince_ = now;
  delay_ = kFirstRetry;
  nextRetry_ = now + delay_;
}

void CameraWatch::retryFailed(Seconds now) {
  delay_ = std::min(delay_ * 2, kLongestRetry);
  nextRetry_ = now + delay_;
}

}  // namespace karone
