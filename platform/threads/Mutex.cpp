#include "platform/threads/Mutex.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <vector>

namespace karone {
namespace {

// This thread's id for ownership: unlike kernel and pthread ids, never
// handed to a later thread.
std::uint64_t selfId() {
  static std::atomic<std::uint64_t> last{0};
  thread_local const std::uint64_t id = ++last;
  return id;
}

// The storage of locks closed while another thread held them. The system
// may still write to it when that thread ends, so it is kept, and kept
// reachable, for the life of the process.
void keepForever(pthread_mutex_t* handle) {
  static std::mutex mutex;
  static auto* kept = new std::vector<pthread_mutex_t*>;  // never destroyed
  std::lock_guard lock(mutex);
  kept->push_back(handle);
}

timespec deadlineAfter(std::int64_t ms) {
  ms = std::min<std::int64_t>(ms, 0xFFFFFFFE);  // the longest finite wait, about 49 days
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::int64_t nanos = static_cast<std::int64_t>(now.tv_nsec) + (ms % 1000) * 1000000;
  timespec deadline{};
  deadline.tv_sec = now.tv_sec + static_cast<time_t>(ms / 1000 + nanos / 1000000000);
  deadline.tv_nsec = static_cast<long>(nanos % 1000000000);
  return deadline;
}

}  // namespace

Mutex::~Mutex() { Close(); }

// Completes a lock call: an abandoned lock is taken over and made usable,
// and the holder is recorded.
bool Mutex::obtained(int lockResult) {
  if (lockResult == EOWNERDEAD) {
    pthread_mutex_consistent(handle_);
  } else if (lockResult != 0) {
    return false;
  }
  std::uint64_t self = selfId();
  if (owner_.load(std::memory_order_relaxed) == self) {
    ++depth_;
  } else {
    // First hold, or taken over from a thread that ended holding it.
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }
  return true;
}

Mutex& Mutex::Create(int initiallyOwned) {
  Close();
  auto* handle = new pthread_mutex_t;
  pthread_mutexattr_t attributes;
  bool made = pthread_mutexattr_init(&attributes) == 0;
  if (made) {
    made = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
           pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
           pthread_mutex_init(handle, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
  }
  if (!made) {
    delete handle;
    return *this;
  }
  handle_ = handle;
  owner_.store(0, std::memory_order_relaxed);
  depth_ = 0;
  if ((initiallyOwned & 0xFF) != 0) obtained(pthread_mutex_lock(handle_));
  return *this;
}

bool Mutex::Lock(std::int64_t timeoutMs) {
  if (handle_ == nullptr) return false;
  if (timeoutMs < 0 || timeoutMs == kAllBitsSet) return obtained(pthread_mutex_lock(handle_));
  if (timeoutMs == 0) return obtained(pthread_mutex_trylock(handle_));
  timespec deadline = deadlineAfter(timeoutMs);
  int result;
  do {
    result = pthread_mutex_clocklock(handle_, CLOCK_MONOTONIC, &deadline);
  } while (result == EINTR);
  return obtained(result);
}

bool Mutex::unlock() {
  if (handle_ == nullptr || owner_.load(std::memory_order_relaxed) != selfId()) return false;
  if (--depth_ == 0) owner_.store(0, std::memory_order_relaxed);
  return pthread_mutex_unlock(handle_) == 0;
}

void Mutex::Close() {
  if (handle_ == nullptr) return;
  pthread_mutex_t* handle = handle_;
  if (!obtained(pthread_mutex_trylock(handle))) {
    // Another thread holds it; its thread-exit bookkeeping may still point
    // here, so the storage must outlive it.
    handle_ = nullptr;
    keepForever(handle);
    return;
  }
  // Give up every hold of the calling thread, the one just taken included.
  while (unlock()) {
  }
  handle_ = nullptr;
  pthread_mutex_destroy(handle);
  delete handle;
}

}  // namespace karone
