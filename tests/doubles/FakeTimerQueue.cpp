#include "tests/doubles/FakeTimerQueue.h"

#include <algorithm>
#include <limits>

namespace karone {

class FakeTimerQueue::FakeTimer final : public Timer {
 public:
  FakeTimer(FakeTimerQueue& queue, std::function<void()> onTick)
      : queue_(&queue), onTick_(std::move(onTick)) {}
  ~FakeTimer() override {
    if (queue_) queue_->forget(this);
  }

  void start(std::int64_t periodMillis) override {
    period_ = std::max<std::int64_t>(periodMillis, 1);
    once_ = false;
    if (queue_) queue_->schedule(this, period_);
  }
  void startOnce(std::int64_t delayMillis) override {
    period_ = std::max<std::int64_t>(delayMillis, 1);
    once_ = true;
    if (queue_) queue_->schedule(this, period_);
  }
  void stop() override {
    active_ = false;
    if (queue_) queue_->unschedule(this);
  }
  bool active() const override { return active_; }
  std::int64_t periodMillis() const override { return period_; }

  FakeTimerQueue* queue_;
  std::function<void()> onTick_;
  std::int64_t period_ = 0;
  bool once_ = false;
  bool active_ = false;
  std::int64_t due_ = 0;
  std::uint64_t order_ = 0;
};

FakeTimerQueue::FakeTimerQueue(FakeClock& clock, ManualTaskRunner* runner)
    : clock_(clock), runner_(runner) {}

FakeTimerQueue::~FakeTimerQueue() {
  for (FakeTimer* timer : timers_) timer->queue_ = nullptr;
}

std::unique_ptr<Timer> FakeTimerQueue::createTimer(std::function<void()> onTick) {
  auto timer = std::make_unique<FakeTimer>(*this, std::move(onTick));
  timers_.push_back(timer.get());
  return timer;
}

void FakeTimerQueue::schedule(FakeTimer* timer, std::int64_t delay) {
  timer->active_ = true;
  timer->due_ = now_ + delay;
  timer->order_ = nextOrder_++;
}

void FakeTimerQueue::unschedule(FakeTimer* timer) { timer->active_ = false; }

void FakeTimerQueue::forget(FakeTimer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

int FakeTimerQueue::activeCount() const {
  return static_cast<int>(
      std::count_if(timers_.begin(), timers_.end(), [](FakeTimer* t) { return t->active_; }));
}

std::int64_t FakeTimerQueue::nextDueIn() const {
  std::int64_t best = -1;
  for (FakeTimer* t : timers_) {
    if (t->active_ && (best < 0 || t->due_ - now_ < best)) best = t->due_ - now_;
  }
  return best;
}

void FakeTimerQueue::runTasks() {
  if (runner_) runner_->runPending();
}

void FakeTimerQueue::advance(std::int64_t ms) {
  const std::int64_t end = now_ + std::max<std::int64_t>(ms, 0);
  runTasks();
  for (;;) {
    FakeTimer* next = nullptr;
    for (FakeTimer* t : timers_) {
      if (!t->active_ || t->due_ > end) continue;
      if (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_)) {
        next = t;
      }
    }
    if (!next) break;
    clock_.advanceMillis(next->due_ - now_);
    now_ = next->due_;
    if (next->once_) {
      next->active_ = false;
    } else {
      next->due_ = now_ + next->period_;
      next->order_ = nextOrder_++;
    }
    // The tick may destroy its own timer: keep the callback alive for the call.
    std::function<void()> tick = next->onTick_;
    tick();
    runTasks();
  }
  clock_.advanceMillis(end - now_);
  now_ = end;
  runTasks();
}

}  // namespace karone
