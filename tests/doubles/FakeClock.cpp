#include "tests/doubles/FakeClock.h"

namespace karone {

Seconds FakeClock::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

std::int64_t FakeClock::monotonicMillis() const {
  std::lock_guard lock(mutex_);
  return monotonic_;
}

void FakeClock::set(Seconds instant) {
  std::lock_guard lock(mutex_);
  now_ = instant;
  millis_ = 0;
}

void FakeClock::advanceMillis(std::int64_t ms) {
  std::lock_guard lock(mutex_);
  monotonic_ += ms;
  millis_ += ms;
  now_ += millis_ / 1000;
  millis_ %= 1000;
}

}  // namespace karone
