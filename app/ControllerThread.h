#pragma once
// The controller's thread as the run controller's parts see it: the task
// runner and the timer service of that thread, with one addition: after
// every task and every timer tick that runs there, and after every command
// the window forwards (step()), the controller's `afterStep` runs. The run
// controller publishes the snapshot for the workers there, so no path that
// changes what the workers read can forget it.
//
// Threads: post() from any thread; everything else on the controller's
// thread. Tasks and ticks that run after the ControllerThread is gone run
// without the after-step.
#include <functional>
#include <memory>

#include "platform/TaskRunner.h"
#include "platform/ThreadCheck.h"
#include "platform/Timers.h"

namespace karone {

class ControllerThread final : public TaskRunner, public TimerService {
 public:
  ControllerThread(TaskRunner& runner, TimerService& timers, std::function<void()> afterStep)
      : runner_(runner),
        timers_(timers),
        afterStep_(std::make_shared<std::function<void()>>(std::move(afterStep))) {}
  ~ControllerThread() override { *afterStep_ = nullptr; }
  ControllerThread(const ControllerThread&) = delete;
  ControllerThread& operator=(const ControllerThread&) = delete;

  bool post(Task task) override { return runner_.post(wrap(std::move(task))); }
  bool runsTasksOnCurrentThread() const override { return runner_.runsTasksOnCurrentThread(); }
  std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override {
    return timers_.createTimer(wrap(std::move(onTick)));
  }

  // Runs a command of the window, then the after-step.
  template <typename F>
  decltype(auto) step(F&& command) {
    KARONE_CHECK_THREAD(runner_);
    struct After {
      const std::shared_ptr<std::function<void()>>& after;
      ~After() {
        if (*after) (*after)();
      }
    } after{afterStep_};
    return command();
  }

  TaskRunner& runner() { return runner_; }

 private:
  std::function<void()> wrap(std::function<void()> work) {
    return [after = afterStep_, work = std::move(work)] {
      work();
      if (*after) (*after)();
    };
  }

  TaskRunner& runner_;
  TimerService& timers_;
  std::shared_ptr<std::function<void()>> afterStep_;
};

}  // namespace karone
