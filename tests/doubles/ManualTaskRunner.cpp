#include "tests/doubles/ManualTaskRunner.h"

namespace karone {

ManualTaskRunner::ManualTaskRunner() : owner_(std::this_thread::get_id()) {}

ManualTaskRunner::~ManualTaskRunner() { shutDown(); }

bool ManualTaskRunner::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    if (!shutDown_) {
      queue_.push_back(std::move(task));
      changed_.notify_all();
      return true;
    }
  }
  return false;  // the task dies here, outside the lock
}

bool ManualTaskRunner::runsTasksOnCurrentThread() const {
  return std::this_thread::get_id() == owner_;
}

int ManualTaskRunner::runPending() {
  int ran = 0;
  for (;;) {
    Task task;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return ran;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
    ++ran;
  }
}

bool ManualTaskRunner::runUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    runPending();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) {
      lock.unlock();
      runPending();
      return done();
    }
  }
}

void ManualTaskRunner::shutDown() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(queue_);
  }
  changed_.notify_all();
}

std::size_t ManualTaskRunner::queued() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

}  // namespace karone
