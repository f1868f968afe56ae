#pragma once
// One program at a time on a data folder: an advisory lock (flock) on a lock
// file in the folder, held for the life of the object. The kernel releases
// it when the process ends, however it ends, so a crash never leaves a
// stale lock. The holder writes its process id and name into the file, so
// that a refused second program can say who holds it.
//
// Threads: any; the lock belongs to the process.
#include <optional>
#include <string>

namespace karone {

class InstanceLock {
 public:
  static constexpr const char* kFileName = "karone.lock";

  struct Holder {
    long pid = 0;         // 0 when the file does not say
    std::string program;  // as the holder wrote it
  };

  // Tries to take the lock of `folder` (made if missing) for `program`.
  InstanceLock(const std::string& folder, const std::string& program);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  bool held() const { return fd_ >= 0; }
  // Who holds it, when held() is false and the file says.
  const std::optional<Holder>& holder() const { return holder_; }
  // Why the lock could not be taken, when it was not held by another.
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  // Who holds the lock of a folder now, without taking it (nullopt: free).
  static std::optional<Holder> heldBy(const std::string& folder);

 private:
  std::string path_;
  int fd_ = -1;
  std::optional<Holder> holder_;
  std::string error_;
};

}  // namespace karone
