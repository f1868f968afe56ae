#include "platform/EventLoop.h"

#include <algorithm>

namespace karone {

class EventLoop::LoopTimer final : public Timer {
 public:
  LoopTimer(EventLoop& loop, std::function<void()> onTick)
      : loop_(&loop), onTick_(std::move(onTick)) {}
  ~LoopTimer() override {
    if (loop_) loop_->forget(this);
  }
  void start(std::int64_t periodMillis) override {
    if (loop_) loop_->schedule(this, periodMillis, false);
  }
  void startOnce(std::int64_t delayMillis) override {
    if (loop_) loop_->schedule(this, delayMillis, true);
  }
  void stop() override { active_ = false; }
  bool active() const override { return active_; }
  std::int64_t periodMillis() const override { return period_; }

  EventLoop* loop_;
  std::function<void()> onTick_;
  std::int64_t period_ = 0;
  bool once_ = false;
  bool active_ = false;
  TimePoint due_{};
  std::uint64_t order_ = 0;
};

EventLoop::EventLoop() : owner_(std::this_thread::get_id()) {}

EventLoop::~EventLoop() {
  shutDown();
  for (LoopTimer* timer : timers_) timer->loop_ = nullptr;
}

bool EventLoop::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    if (!shutDown_) {
      tasks_.push_back(std::move(task));
      changed_.notify_all();
      return true;
    }
  }
  return false;
}

bool EventLoop::runsTasksOnCurrentThread() const {
  std::lock_guard lock(mutex_);
  return std::this_thread::get_id() == owner_;
}

std::unique_ptr<Timer> EventLoop::createTimer(std::function<void()> onTick) {
  auto timer = std::make_unique<LoopTimer>(*this, std::move(onTick));
  timers_.push_back(timer.get());
  return timer;
}

void EventLoop::schedule(LoopTimer* timer, std::int64_t delayMillis, bool once) {
  timer->period_ = std::max<std::int64_t>(delayMillis, 1);
  timer->once_ = once;
  timer->active_ = true;
  timer->due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timer->period_);
  timer->order_ = order_++;
}

void EventLoop::forget(LoopTimer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

EventLoop::LoopTimer* EventLoop::dueTimer(TimePoint now) {
  LoopTimer* best = nullptr;
  for (LoopTimer* t : timers_) {
    if (!t->active_ || t->due_ > now) continue;
    if (!best || t->due_ < best->due_ || (t->due_ == best->due_ && t->order_ < best->order_))
      best = t;
  }
  return best;
}

EventLoop::TimePoint EventLoop::nextDue() const {
  TimePoint next = TimePoint::max();
  for (const LoopTimer* t : timers_)
    if (t->active_) next = std::min(next, t->due_);
  return next;
}

bool EventLoop::run(std::chrono::milliseconds limit) {
  const TimePoint start = std::chrono::steady_clock::now();
  const TimePoint end = limit == std::chrono::milliseconds::max() ? TimePoint::max() : start + limit;
  {
    std::lock_guard lock(mutex_);
    owner_ = std::this_thread::get_id();
    quit_ = false;
  }
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      if (quit_) {
        quit_ = false;
        return true;
      }
      if (tasks_.empty()) {
        const TimePoint wake = std::min(end, nextDue());
        if (wake != TimePoint::max()) {
          changed_.wait_until(lock, wake, [&] { return quit_ || !tasks_.empty(); });
        } else {
          changed_.wait(lock, [&] { return quit_ || !tasks_.empty(); });
        }
      }
      if (!tasks_.empty()) {
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
    }
    if (task) {
      task();
      continue;
    }
    const TimePoint now = std::chrono::steady_clock::now();
    if (LoopTimer* timer = dueTimer(now)) {
      if (timer->once_) {
        timer->active_ = false;
      } else {
        // The next tick keeps the rhythm, skipping ticks the loop missed.
        timer->due_ += std::chrono::milliseconds(timer->period_);
        if (timer->due_ <= now) timer->due_ = now + std::chrono::milliseconds(timer->period_);
        timer->order_ = order_++;
      }
      std::function<void()> tick = timer->onTick_;
      tick();
      continue;
    }
    if (now >= end) return false;
  }
}

void EventLoop::quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
}

void EventLoop::shutDown() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(tasks_);
  }
  changed_.notify_all();
}

}  // namespace karone
