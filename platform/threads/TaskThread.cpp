#include "platform/threads/TaskThread.h"

#include <pthread.h>

#include <utility>

namespace karone {

TaskThread::TaskThread(std::string name) : name_(std::move(name)) {}

TaskThread::~TaskThread() { stop(); }

bool TaskThread::start() {
  std::lock_guard lock(mutex_);
  if (stopped_) return false;
  if (thread_.joinable()) return true;
  thread_ = std::thread([this] { loop(); });
  id_ = thread_.get_id();
  return true;
}

void TaskThread::stop() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    dropped.swap(tasks_);
  }
  changed_.notify_all();
  if (!thread_.joinable()) return;
  if (std::this_thread::get_id() != thread_.get_id()) {
    thread_.join();
  } else {
    // Stopped from one of its own tasks: the loop ends after this task, and
    // nobody can wait for the thread it runs on.
    thread_.detach();
  }
  // `dropped` goes here, outside the lock: a task's captures may post.
}

bool TaskThread::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    tasks_.push_back(std::move(task));
  }
  changed_.notify_all();
  return true;
}

bool TaskThread::runsTasksOnCurrentThread() const {
  std::lock_guard lock(mutex_);
  return thread_.joinable() && std::this_thread::get_id() == id_;
}

bool TaskThread::idle() const {
  std::lock_guard lock(mutex_);
  return stopped_ || (tasks_.empty() && !running_);
}

void TaskThread::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || (tasks_.empty() && !running_); });
}

void TaskThread::loop() {
  ::pthread_setname_np(::pthread_self(), name_.substr(0, 15).c_str());
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopped_ || !tasks_.empty(); });
      if (stopped_) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
      running_ = true;
    }
    task();
    task = nullptr;  // its captures go before the thread counts as idle
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    changed_.notify_all();
  }
}

}  // namespace karone
