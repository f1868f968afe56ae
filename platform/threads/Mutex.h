#pragma once
// An unnamed, process-private lock over a POSIX mutex that is
//   - recursive: its owner may lock it again; each Lock needs one unlock;
//   - robust: when the owning thread ends while holding it, the mutex counts
//     as abandoned and the next Lock obtains it (and returns true), the way
//     the command queue expects after a worker died in the middle of a link.
//
// Lifecycle: a Mutex is made empty; Create makes the lock (once; a second
// Create closes the first lock), Close or the destructor releases it. A
// failed Create leaves it empty, and Lock/unlock on an empty Mutex fail.
//
// Threads: any thread may Lock and unlock. Create and Close belong to the
// owner of the object and must not race with Lock or unlock from other
// threads (the uploader closes its queue lock after its worker has ended).
// Close while another thread still holds the lock never frees memory the
// system may still touch: the lock's storage is then left allocated.
#include <pthread.h>

#include <atomic>
#include <cstdint>

namespace karone {

class Mutex {
 public:
  // Passed to Lock: wait as long as it takes. Any negative value does too,
  // and so does -1 carried in 32 unsigned bits (0xFFFFFFFF).
  static constexpr std::int64_t kNoTimeLimit = -1;
  static constexpr std::int64_t kAllBitsSet = 0xFFFFFFFF;

  Mutex() = default;
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Makes the lock; when the low byte of initiallyOwned is non-zero the
  // calling thread owns it at once (0x100 therefore makes it unowned).
  // Returns the object itself; valid() says whether creation worked.
  Mutex& Create(int initiallyOwned);

  // Waits up to timeoutMs milliseconds (negative: no limit; 0: just try;
  // waits longer than 0xFFFFFFFE ms, about 49 days, are cut to that).
  // True when the lock was obtained, also when its previous owner ended
  // without releasing it; false on time-out, on failure and when empty.
  bool Lock(std::int64_t timeoutMs);

  // The owner's release of one Lock (or of the initial ownership). False
  // when the caller does not own the lock or the Mutex is empty.
  bool unlock();

  // Releases the lock. The calling thread's own holds are given up first.
  void Close();

  bool valid() const { return handle_ != nullptr; }

 private:
  bool obtained(int lockResult);

  pthread_mutex_t* handle_ = nullptr;
  // The holder (an id never reused by another thread; 0: nobody) and how
  // often it holds the lock. Written only by the holder while it holds it.
  std::atomic<std::uint64_t> owner_{0};
  int depth_ = 0;
};

}  // namespace karone
