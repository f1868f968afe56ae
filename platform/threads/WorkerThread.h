#pragma once
// A thread of the program: started once with a routine and its argument,
// waited for by its owner, deleted by its owner. The uploader runs its
// command loop on one; the capture pipeline runs its writer on another.
//
// The callers use Start, Wait and the destructor. The other operations
// exist for completeness; on Linux they behave as follows (PlatformThread):
//   Terminate  - not provided: returns false and leaves the thread running.
//                Killing a thread from outside leaves the locks it holds,
//                its heap and its C++ objects in an undefined state; a
//                routine is ended by asking it (the uploader's Quit).
//   Suspend,   - not provided (Linux has no per-thread suspension):
//   Resume       return kSuspendFailed (0xFFFFFFFF) and change nothing.
//   Priorities - the thread's scheduling niceness (setpriority on its kernel
//                thread id), from the levels below:
//                  kPriorityIdle         (-15) -> nice 19
//                  kPriorityLowest        (-2) -> nice 10
//                  kPriorityBelowNormal   (-1) -> nice 5
//                  kPriorityNormal         (0) -> nice 0
//                  kPriorityAboveNormal    (1) -> nice -5
//                  kPriorityHighest        (2) -> nice -10
//                  kPriorityTimeCritical  (15) -> nice -20
//                GetPriority maps the current niceness back to the nearest
//                level. Other values are rejected. Raising a thread above
//                the niceness it has needs privileges (CAP_SYS_NICE or
//                RLIMIT_NICE); without them the raise is rejected too.
//                A thread that is not running (not started, or finished)
//                has no priority: GetPriority returns kPriorityError and
//                SetPriority is rejected.
#include <cstdint>
#include <memory>

namespace karone {

// A thread routine: a free function of one untyped argument. A routine
// that runs a method receives its object as the argument.
using ThreadRoutine = void (*)(void* argument);

class WorkerThread {
 public:
  static constexpr std::uint32_t kWaitSignalled = 0;
  static constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
  static constexpr std::uint32_t kSuspendFailed = 0xFFFFFFFFu;

  static constexpr int kPriorityIdle = -15;
  static constexpr int kPriorityLowest = -2;
  static constexpr int kPriorityBelowNormal = -1;
  static constexpr int kPriorityNormal = 0;
  static constexpr int kPriorityAboveNormal = 1;
  static constexpr int kPriorityHighest = 2;
  static constexpr int kPriorityTimeCritical = 15;
  static constexpr int kPriorityError = 0x7FFFFFFF;

  // Neither waits for nor stops the thread: a routine still running keeps
  // running on its own. Call Wait first to have it finished.
  virtual ~WorkerThread() = default;

  // Runs routine(argument) on a new thread at once. True when the thread
  // was made; false when it could not be, or when the object was already
  // started (one run per object; make a fresh object for the next run).
  virtual bool Start(ThreadRoutine routine, void* argument) = 0;
  virtual bool Terminate() = 0;
  // The previous suspension count, or kSuspendFailed.
  virtual std::uint32_t Suspend() = 0;
  virtual std::uint32_t Resume() = 0;
  // Waits without time limit until the routine has returned:
  // kWaitSignalled, or kWaitFailed when the thread was never started.
  // Several threads may wait, and waiting again returns at once.
  virtual std::uint32_t Wait() = 0;
  virtual int GetPriority() = 0;
  // Sets a new priority and returns the one in force before the call,
  // whether or not the new value was accepted.
  virtual int SetPriority(int priority) = 0;

 protected:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
};

// Makes an idle PlatformThread; the caller owns it.
std::unique_ptr<WorkerThread> createWorkerThread();

}  // namespace karone
