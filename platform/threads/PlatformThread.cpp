#include "platform/threads/PlatformThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>

namespace karone {

struct PlatformThread::Shared {
  ThreadRoutine routine = nullptr;
  void* argument = nullptr;
  std::mutex mutex;
  std::condition_variable running;
  pid_t threadId = 0;     // set by the thread before its routine runs
  bool finished = false;  // set by the thread after its routine returned
};

namespace {

struct Level {
  int priority;
  int nice;
};

constexpr Level kLevels[] = {
    {WorkerThread::kPriorityIdle, 19},        {WorkerThread::kPriorityLowest, 10},
    {WorkerThread::kPriorityBelowNormal, 5},  {WorkerThread::kPriorityNormal, 0},
    {WorkerThread::kPriorityAboveNormal, -5}, {WorkerThread::kPriorityHighest, -10},
    {WorkerThread::kPriorityTimeCritical, -20},
};

int priorityOfNice(int nice) {
  const Level* best = &kLevels[0];
  for (const Level& level : kLevels) {
    if (std::abs(level.nice - nice) < std::abs(best->nice - nice)) best = &level;
  }
  return best->priority;
}

const Level* levelOf(int priority) {
  for (const Level& level : kLevels) {
    if (level.priority == priority) return &level;
  }
  return nullptr;
}

}  // namespace

void* PlatformThread::threadMain(void* parameter) {
  // The starter hands over one reference to the shared state.
  auto* handed = static_cast<std::shared_ptr<PlatformThread::Shared>*>(parameter);
  std::shared_ptr<PlatformThread::Shared> shared = std::move(*handed);
  delete handed;
  {
    std::lock_guard lock(shared->mutex);
    shared->threadId = ::gettid();
  }
  shared->running.notify_all();
  shared->routine(shared->argument);
  {
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
  }
  return nullptr;
}

std::unique_ptr<WorkerThread> createWorkerThread() { return std::make_unique<PlatformThread>(); }

PlatformThread::~PlatformThread() {
  std::lock_guard lock(mutex_);
  if (!started_) return;
  std::lock_guard join(joinMutex_);
  if (!joined_) pthread_detach(handle_);
}

bool PlatformThread::Start(ThreadRoutine routine, void* argument) {
  std::lock_guard lock(mutex_);
  if (started_ || routine == nullptr) return false;
  auto shared = std::make_shared<Shared>();
  shared->routine = routine;
  shared->argument = argument;
  auto* handed = new std::shared_ptr<Shared>(shared);
  pthread_t handle{};
  if (pthread_create(&handle, nullptr, threadMain, handed) != 0) {
    delete handed;
    return false;
  }
  {
    // The kernel id is known only inside the new thread; wait for it so
    // that the priority operations work as soon as Start returns.
    std::unique_lock wait(shared->mutex);
    shared->running.wait(wait, [&] { return shared->threadId != 0; });
  }
  handle_ = handle;
  shared_ = std::move(shared);
  started_ = true;
  return true;
}

bool PlatformThread::Terminate() { return false; }

std::uint32_t PlatformThread::Suspend() { return kSuspendFailed; }

std::uint32_t PlatformThread::Resume() { return kSuspendFailed; }

std::uint32_t PlatformThread::Wait() {
  pthread_t handle;
  {
    std::lock_guard lock(mutex_);
    if (!started_) return kWaitFailed;
    handle = handle_;
  }
  std::lock_guard join(joinMutex_);
  if (!joined_) {
    if (pthread_join(handle, nullptr) != 0) return kWaitFailed;
    joined_ = true;
  }
  return kWaitSignalled;
}

std::shared_ptr<PlatformThread::Shared> PlatformThread::shared() const {
  std::lock_guard lock(mutex_);
  return shared_;
}

int PlatformThread::GetPriority() {
  std::shared_ptr<Shared> shared = this->shared();
  if (!shared) return kPriorityError;
  // Holding the lock keeps the thread from finishing, so its id cannot be
  // handed to another thread meanwhile.
  std::lock_guard lock(shared->mutex);
  if (shared->finished) return kPriorityError;
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(shared->threadId));
  if (nice == -1 && errno != 0) return kPriorityError;
  return priorityOfNice(nice);
}

int PlatformThread::SetPriority(int priority) {
  int before = GetPriority();
  std::shared_ptr<Shared> shared = this->shared();
  const Level* level = levelOf(priority);
  if (!shared || level == nullptr) return before;
  std::lock_guard lock(shared->mutex);
  if (!shared->finished) setpriority(PRIO_PROCESS, static_cast<id_t>(shared->threadId), level->nice);
  return before;
}

pid_t PlatformThread::threadId() const {
  std::shared_ptr<Shared> shared = this->shared();
  if (!shared) return 0;
  std::lock_guard lock(shared->mutex);
  return shared->threadId;
}

}  // namespace karone
