#include "app/QueuedDialEventRelay.h"

namespace karone {

QueuedDialEventRelay::QueuedDialEventRelay() : windowThread_(std::this_thread::get_id()) {}

void QueuedDialEventRelay::relay(const std::function<void()>& deliver) {
  if (std::this_thread::get_id() == windowThread_) {
    deliver();
    return;
  }
  std::unique_lock lock(mutex_);
  if (closed_) return;
  auto done = std::make_shared<bool>(false);
  queue_.push_back(Item{deliver, done});
  changed_.notify_all();
  changed_.wait(lock, [&] { return *done || closed_; });
}

int QueuedDialEventRelay::pump() {
  int ran = 0;
  for (;;) {
    Item item;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return ran;
      item = std::move(queue_.front());
      queue_.pop_front();
    }
    item.deliver();
    ++ran;
    {
      std::lock_guard lock(mutex_);
      *item.done = true;
    }
    changed_.notify_all();
  }
}

void QueuedDialEventRelay::pumpUntil(const std::function<bool()>& done) {
  for (;;) {
    pump();
    std::unique_lock lock(mutex_);
    if (done()) return;
    const unsigned seen = wakes_;
    changed_.wait(lock, [&] { return !queue_.empty() || wakes_ != seen || closed_; });
    if (closed_ && queue_.empty() && !done()) return;
  }
}

void QueuedDialEventRelay::wake() {
  {
    std::lock_guard lock(mutex_);
    ++wakes_;
  }
  changed_.notify_all();
}

void QueuedDialEventRelay::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    queue_.clear();
  }
  changed_.notify_all();
}

}  // namespace karone
