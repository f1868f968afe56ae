#pragma once
// Termination signals as tasks: while a SignalWatcher lives, the first of
// the watched signals is posted to the given runner as a call of onSignal
// (the owner then runs its orderly exit on its own thread, like a click),
// and a second one ends the process at once with status 128 + signal.
// Made before start-up, it covers a signal that comes while the program is
// still starting: the task waits in the runner until its loop runs.
//
// The handler only writes the signal's number into a pipe; a thread of the
// watcher's own reads it and posts the task. One watcher at a time.
//
// Threads: construction and destruction on one thread; onSignal runs on the
// runner's thread.
#include <csignal>
#include <functional>
#include <initializer_list>
#include <thread>
#include <vector>

#include "platform/TaskRunner.h"

namespace karone {

class SignalWatcher {
 public:
  SignalWatcher(TaskRunner& runner, std::function<void(int signal)> onSignal,
                std::initializer_list<int> signals = {SIGTERM, SIGINT});
  // The previous handlers are restored; a signal not yet posted is dropped.
  ~SignalWatcher();
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  // False when the pipe or the thread could not be made (nothing is
  // watched then).
  bool watching() const { return watching_; }

 private:
  void readLoop();

  TaskRunner& runner_;
  std::function<void(int)> onSignal_;
  std::vector<int> signals_;
  std::vector<struct sigaction> previous_;
  int pipe_[2] = {-1, -1};
  std::thread reader_;
  bool watching_ = false;
};

}  // namespace karone
