#pragma once
// A worker that takes tasks: a thread of its own that runs the closures
// posted to it one at a time, in posting order. The uploader runs every
// server operation on one, the capture writer every picture it stores.
//
// Idle means nothing queued and nothing running; a task that posts a
// follow-up keeps the thread busy until the follow-up has run too.
//
// Threads: post(), idle() and runsTasksOnCurrentThread() from any thread;
// start(), stop(), waitUntilIdle() and the destructor from any thread but
// the task thread itself.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/TaskRunner.h"

namespace karone {

class TaskThread final : public TaskRunner {
 public:
  // `name` names the kernel thread (15 bytes at most are kept).
  explicit TaskThread(std::string name);
  // stop().
  ~TaskThread() override;
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  // Starts the thread; true when it runs (also when it ran already). Tasks
  // posted before start() wait for it.
  bool start();
  // Ends the thread after the task in hand; tasks still queued are destroyed
  // unrun and later posts are refused. Joins the thread.
  void stop();

  bool post(Task task) override;
  bool runsTasksOnCurrentThread() const override;

  bool idle() const;
  // Blocks until idle (or stopped): for command-line tools and tests.
  void waitUntilIdle();

 private:
  void loop();

  const std::string name_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> tasks_;
  bool running_ = false;  // a task is being run
  bool stopped_ = false;
  std::thread thread_;
  std::thread::id id_;
};

}  // namespace karone
