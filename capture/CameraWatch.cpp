#include "capture/CameraWatch.h"

#include <algorithm>

namespace karone {

void CameraWatch::opened(Seconds now, std::optional<std::uint64_t> frames) {
  state_ = State::Watching;
  lastFrames_ = frames;
  lastProgress_ = now;
  delay_ = kFirstRetry;
}

std::optional<std::string> CameraWatch::check(Seconds now, std::optional<std::uint64_t> frames,
                                              const std::string& failure) {
  if (state_ != State::Watching) return std::nullopt;
  if (!failure.empty()) return failure;
  if (!frames) return std::nullopt;
  if (!lastFrames_ || *frames != *lastFrames_) {
    lastFrames_ = frames;
    lastProgress_ = now;
    return std::nullopt;
  }
  if (now - lastProgress_ >= kSilenceLimit) {
    return "no picture for " + std::to_string(now - lastProgress_) + " seconds";
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
