#pragma once
// WorkerThread over POSIX threads (see WorkerThread.h for what each
// operation does on Linux).
//
// Any thread may call any operation, except that the destructor must not
// race with the others on the same object. The routine and its argument
// are handed to the new thread before Start returns, so deleting the object
// right after Start is safe; the thread is then detached and its routine
// runs to its end.
#include <pthread.h>

#include <memory>
#include <mutex>

#include "platform/threads/WorkerThread.h"

namespace karone {

class PlatformThread final : public WorkerThread {
 public:
  PlatformThread() = default;
  ~PlatformThread() override;

  bool Start(ThreadRoutine routine, void* argument) override;
  bool Terminate() override;
  std::uint32_t Suspend() override;
  std::uint32_t Resume() override;
  std::uint32_t Wait() override;
  int GetPriority() override;
  int SetPriority(int priority) override;

  // The kernel thread id of the running thread (0 before Start).
  pid_t threadId() const;

 private:
  struct Shared;  // what the thread itself holds on to
  static void* threadMain(void* parameter);

  std::shared_ptr<Shared> shared() const;

  mutable std::mutex mutex_;  // guards started_, handle_ and shared_
  bool started_ = false;
  pthread_t handle_{};
  std::shared_ptr<Shared> shared_;
  std::mutex joinMutex_;  // one thread joins, the others wait for it
  bool joined_ = false;   // guarded by joinMutex_
};

}  // namespace karone
