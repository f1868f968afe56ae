#pragma once
// A task runner that the test drives by hand: tasks posted from any thread
// wait in a queue until the owner's thread (the thread that made the runner)
// runs them with runPending() or runUntil(). shutDown() drops what is queued
// and refuses later posts, as a closing window does.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/TaskRunner.h"

namespace karone {

class ManualTaskRunner final : public TaskRunner {
 public:
  ManualTaskRunner();
  ~ManualTaskRunner() override;

  bool post(Task task) override;
  bool runsTasksOnCurrentThread() const override;

  // Owner's thread: runs every queued task, including those queued while
  // running; returns how many ran.
  int runPending();
  // Owner's thread: runs tasks as they arrive until done() is true or the
  // real-time limit passes (for tests with real worker threads); true when
  // done() became true. done() runs on the owner's thread between tasks.
  bool runUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
  void shutDown();
  std::size_t queued() const;

 private:
  const std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> queue_;
  bool shutDown_ = false;
};

}  // namespace karone
