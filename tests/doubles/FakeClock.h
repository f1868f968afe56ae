#pragma once
#include <cstdint>
#include <mutex>

#include "platform/Clock.h"

namespace karone {

// Any thread; guarded by its own lock.
// A clock that only moves when told to.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(Seconds start = 0) : now_(start) {}
  Seconds now() const override;
  std::int64_t monotonicMillis() const override;
  void set(Seconds instant);
  void advanceMillis(std::int64_t ms);
  void advance(Seconds s) { advanceMillis(s * 1000); }

 private:
  mutable std::mutex mutex_;
  Seconds now_;
  std::int64_t millis_ = 0;  // sub-second part carried by advanceMillis
  std::int64_t monotonic_ = 0;
};

}  // namespace karone
