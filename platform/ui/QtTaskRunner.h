#pragma once
// The task runner of the window thread: tasks posted from any thread run on
// the Qt event loop of the thread that made the runner, in posting order,
// also while a modal dialog or message box runs its own loop there.
//
// Once the runner has shut down (shutDown() or its destructor), post()
// refuses tasks and returns false, and the tasks still queued are destroyed
// without running, so a worker waiting in runAndWait is released. Whoever
// posts must still keep the runner object itself alive while posting.
//
// Threads: made, shut down and destroyed on the owner's thread (the window
// thread); post() and runsTasksOnCurrentThread() from any thread.
#include <mutex>
#include <thread>

#include "platform/TaskRunner.h"

class QObject;

namespace karone {

class QtTaskRunner final : public TaskRunner {
 public:
  QtTaskRunner();
  ~QtTaskRunner() override;
  QtTaskRunner(const QtTaskRunner&) = delete;
  QtTaskRunner& operator=(const QtTaskRunner&) = delete;

  bool post(Task task) override;
  bool runsTasksOnCurrentThread() const override;

  // Owner's thread: drops the queued tasks and refuses later posts.
  void shutDown();

 private:
  const std::thread::id owner_;
  std::mutex mutex_;
  // Lives on the owner's thread; the queued tasks are events posted to it,
  // so deleting it destroys them unrun. Null once shut down.
  QObject* receiver_ = nullptr;
};

}  // namespace karone
