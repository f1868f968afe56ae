#pragma once
// The one way work crosses threads in the program: a thread that is not the
// owner's (the uploader's worker, the capture writer, the streaming thread,
// the dial-up service's thread) posts a task, and the owner's thread runs it
// later, in posting order. The owner's thread is the window thread in the
// program with a window and the event-loop thread of the headless program.
//
// The window thread never blocks waiting for a worker; a worker may wait for
// the window thread (runAndWait), because the window thread always comes back
// to its loop.
//
// Backends: the Qt event loop (app/ui, and the headless program's loop); the
// tests drive a manual runner by hand.
//
// Threads: post() and runsTasksOnCurrentThread() from any thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace karone {

class TaskRunner {
 public:
  using Task = std::function<void()>;

  virtual ~TaskRunner() = default;
  // Queues the task for the owner's thread. False when the runner has shut
  // down: the task is then destroyed without running, on the caller's thread
  // or the owner's.
  virtual bool post(Task task) = 0;
  // True on the owner's thread.
  virtual bool runsTasksOnCurrentThread() const = 0;
};

// Lets the owner's thread release every worker that waits on it through
// runAndWait / waitForReply with this canceller, for example before it joins
// a worker that may be waiting for an answer. After cancel() every such wait,
// begun or not, returns nullopt at once.
//
// Threads: any thread.
class WaitCanceller {
 public:
  void cancel() {
    std::map<std::uint64_t, std::function<void()>> releases;
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
      releases.swap(releases_);
    }
    for (auto& [id, release] : releases) release();
  }
  bool cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
  }
  // For the waits: registers a release (run at once when already cancelled)
  // and forgets it again.
  std::uint64_t add(std::function<void()> release) {
    {
      std::lock_guard lock(mutex_);
      if (!cancelled_) {
        releases_.emplace(++lastId_, std::move(release));
        return lastId_;
      }
    }
    release();
    return 0;
  }
  void remove(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    releases_.erase(id);
  }

 private:
  mutable std::mutex mutex_;
  bool cancelled_ = false;
  std::uint64_t lastId_ = 0;
  std::map<std::uint64_t, std::function<void()>> releases_;
};

// Runs work on the runner's thread and waits for its reply: fn receives a
// reply function and calls it, now or later (after a timer step, say), with
// the result. The caller gets nullopt instead of waiting for ever when the
// work is dropped without a reply (the runner shut down, or the reply
// function was destroyed uncalled) or the canceller is cancelled. On the
// runner's own thread (where it could never wait) fn runs at once and only
// an immediate reply is returned.
template <typename Result>
std::optional<Result> waitForReply(TaskRunner& runner,
                                   std::function<void(std::function<void(Result)>)> fn,
                                   WaitCanceller* canceller = nullptr) {
  struct Slot {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    std::optional<Result> result;
    void finish() {
      {
        std::lock_guard lock(mutex);
        finished = true;
      }
      changed.notify_all();
    }
  };
  auto slot = std::make_shared<Slot>();
  // Finishes the wait when the last copy of the reply function goes away,
  // whether or not it was called.
  struct Guard {
    std::shared_ptr<Slot> slot;
    ~Guard() {
      if (slot) slot->finish();
    }
  };
  auto guard = std::make_shared<Guard>();
  guard->slot = slot;
  std::function<void(Result)> reply = [guard](Result value) {
    {
      std::lock_guard lock(guard->slot->mutex);
      if (!guard->slot->result) guard->slot->result = std::move(value);
    }
    guard->slot->changed.notify_all();
  };
  guard.reset();  // from here only the reply function holds the guard
  if (runner.runsTasksOnCurrentThread()) {
    fn(std::move(reply));
    std::lock_guard lock(slot->mutex);
    return slot->result;
  }
  const std::uint64_t id =
      canceller ? canceller->add([slot] { slot->finish(); }) : std::uint64_t{0};
  const bool posted = runner.post([fn = std::move(fn), reply = std::move(reply)]() mutable {
    fn(std::move(reply));
  });
  std::optional<Result> result;
  if (posted) {
    std::unique_lock lock(slot->mutex);
    slot->changed.wait(lock, [&] { return slot->finished || slot->result.has_value(); });
    result = slot->result;
  }
  if (canceller) canceller->remove(id);
  return result;
}

// Runs fn on the runner's thread and returns its result: at once when the
// caller is on that thread, otherwise by posting it and waiting, as
// waitForReply does.
template <typename Result>
std::optional<Result> runAndWait(TaskRunner& runner, std::function<Result()> fn,
                                 WaitCanceller* canceller = nullptr) {
  if (runner.runsTasksOnCurrentThread()) return fn();
  return waitForReply<Result>(
      runner, [fn = std::move(fn)](std::function<void(Result)> reply) { reply(fn()); },
      canceller);
}

}  // namespace karone
