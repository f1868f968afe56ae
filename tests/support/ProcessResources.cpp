#include "tests/support/ProcessResources.h"

#include <dirent.h>

#include <thread>

namespace karone::testing {
namespace {

int countEntries(const char* path) {
  int n = 0;
  if (DIR* d = opendir(path)) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') ++n;
    }
    closedir(d);
  }
  return n;
}

}  // namespace

// The directory stream holds one descriptor of its own while counting.
int openDescriptorCount() { return countEntries("/proc/self/fd") - 1; }

int threadCount() {
#if defined(__SANITIZE_THREAD__)
  // ThreadSanitizer starts a thread of its own with the process's first
  // thread; start one first so that it is there in every count.
  static const bool started = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)started;
#endif
  return countEntries("/proc/self/task");
}

namespace {
int countSettlingTo(int (*count)(), int target, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int last = count();
  while (last > target && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    last = count();
  }
  return last;
}
}  // namespace

int descriptorCountSettlingTo(int target, std::chrono::milliseconds limit) {
  return countSettlingTo(&openDescriptorCount, target, limit);
}

int threadCountSettlingTo(int target, std::chrono::milliseconds limit) {
  return countSettlingTo(&threadCount, target, limit);
}

int settledDescriptorCount(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int count = openDescriptorCount();
  auto stableSince = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int now = openDescriptorCount();
    if (now != count) {
      count = now;
      stableSince = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - stableSince >= quiet) {
      break;
    }
  }
  return count;
}

}  // namespace karone::testing
