#pragma once
#include <cstdint>
#include <mutex>

#include "platform/Clock.h"
#include "tests/doubles/FakeClock.h"

namespace karone {

// Any thread.
// Advances a FakeClock instead of waiting, and records every wait.
class FakeSleeper final : public Sleeper {
 public:
  explicit FakeSleeper(FakeClock* clock = nullptr) : clock_(clock) {}
  void sleepMillis(std::int64_t ms) override;
  std::int64_t totalMillis() const;
  int calls() const;

 private:
  FakeClock* clock_;
  mutable std::mutex mutex_;
  std::int64_t total_ = 0;
  int calls_ = 0;
};

}  // namespace karone
