#include "tests/doubles/FakeSleeper.h"

namespace karone {

void FakeSleeper::sleepMillis(std::int64_t ms) {
  {
    std::lock_guard lock(mutex_);
    total_ += ms;
    ++calls_;
  }
  if (clock_ != nullptr) clock_->advanceMillis(ms);
}

std::int64_t FakeSleeper::totalMillis() const {
  std::lock_guard lock(mutex_);
  return total_;
}

int FakeSleeper::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

}  // namespace karone
