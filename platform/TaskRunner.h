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
#include <functional>
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

// Runs fn on the runner's thread and returns its result: at once when the
// caller is on that thread, otherwise by posting it and waiting. When the
// runner drops the task (it has shut down), returns nullopt instead of
// waiting for ever. Never call it from the owner's thread while holding a
// lock that the owner's tasks take.
template <typename Result>
std::optional<Result> runAndWait(TaskRunner& runner, std::function<Result()> fn) {
  if (runner.runsTasksOnCurrentThread()) return fn();
  struct Slot {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    std::optional<Result> result;
  };
  auto slot = std::make_shared<Slot>();
  // The guard reports "finished" when the task is destroyed, whether or not
  // it ran, so a dropped task never leaves the caller waiting.
  struct Guard {
    std::shared_ptr<Slot> slot;
    ~Guard() {
      if (!slot) return;
      {
        std::lock_guard lock(slot->mutex);
        slot->finished = true;
      }
      slot->changed.notify_all();
    }
  };
  auto guard = std::make_shared<Guard>();
  guard->slot = slot;
  bool posted = runner.post([guard, fn = std::move(fn)]() mutable {
    Result value = fn();
    std::lock_guard lock(guard->slot->mutex);
    guard->slot->result = std::move(value);
  });
  guard.reset();  // from here only the queued task holds the guard
  if (!posted) return std::nullopt;
  std::unique_lock lock(slot->mutex);
  slot->changed.wait(lock, [&] { return slot->finished; });
  return std::move(slot->result);
}

// As runAndWait, for work that finishes later on the runner's thread (after
// a timer step, say): fn receives a reply function and calls it, now or
// later, with the result. The caller waits for the reply; when fn's work is
// dropped without a reply (the runner shut down, or the reply function was
// destroyed uncalled), the caller gets nullopt instead of waiting for ever.
// Must not be called on the runner's own thread (it could never wait there):
// there fn runs and only an immediate reply is returned.
template <typename Result>
std::optional<Result> waitForReply(TaskRunner& runner,
                                   std::function<void(std::function<void(Result)>)> fn) {
  struct Slot {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    std::optional<Result> result;
  };
  auto slot = std::make_shared<Slot>();
  // Finishes the wait when the last copy of the reply function goes away,
  // whether or not it was called.
  struct Guard {
    std::shared_ptr<Slot> slot;
    ~Guard() {
      if (!slot) return;
      {
        std::lock_guard lock(slot->mutex);
        slot->finished = true;
      }
      slot->changed.notify_all();
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
  if (runner.runsTasksOnCurrentThread()) {
    guard.reset();
    fn(std::move(reply));
    std::lock_guard lock(slot->mutex);
    return slot->result;
  }
  guard.reset();
  bool posted = runner.post([fn = std::move(fn), reply = std::move(reply)]() mutable {
    fn(std::move(reply));
  });
  if (!posted) return std::nullopt;
  std::unique_lock lock(slot->mutex);
  slot->changed.wait(lock, [&] { return slot->finished || slot->result.has_value(); });
  return std::move(slot->result);
}

}  // namespace karone
