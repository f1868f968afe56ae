#include "platform/threads/CountingSemaphore.h"

namespace karone {

CountingSemaphore& CountingSemaphore::Create(std::int32_t initialCount) {
  Close();
  state_.reset();
  initialCount_ = initialCount;
  if (initialCount < 0 || initialCount > kMaximumCount) return *this;
  state_ = std::make_shared<State>();
  state_->count = initialCount;
  return *this;
}

std::uint32_t CountingSemaphore::Wait() {
  std::shared_ptr<State> state = state_;
  if (!state) return kWaitFailed;
  std::unique_lock lock(state->mutex);
  state->wake.wait(lock, [&] { return state->closed || state->count > 0; });
  if (state->closed) return kWaitFailed;
  --state->count;
  return kWaitSignalled;
}

bool CountingSemaphore::Release() {
  std::shared_ptr<State> state = state_;
  if (!state) return false;
  {
    std::lock_guard lock(state->mutex);
    if (state->closed || state->count >= kMaximumCount) return false;
    ++state->count;
  }
  state->wake.notify_one();
  return true;
}

void CountingSemaphore::Close() {
  std::shared_ptr<State> state = state_;
  if (!state) return;
  {
    std::lock_guard lock(state->mutex);
    state->closed = true;
  }
  state->wake.notify_all();
}

bool CountingSemaphore::valid() const {
  if (!state_) return false;
  std::lock_guard lock(state_->mutex);
  return !state_->closed;
}

}  // namespace karone
