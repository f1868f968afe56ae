#pragma once
// The check behind "owner's thread only" in a header: in the development and
// CI builds (KARONE_THREAD_CHECKS) a call on any other thread ends the
// program at once, naming the place; in other builds it costs nothing.
//
//   KARONE_CHECK_THREAD(runner_);   // runner_: the TaskRunner that owns us
#include <cstdio>
#include <cstdlib>

#include "platform/TaskRunner.h"

namespace karone::threadcheck {

inline void check(const TaskRunner& owner, const char* file, int line) {
  if (owner.runsTasksOnCurrentThread()) return;
  std::fprintf(stderr, "%s:%d: called on a thread that is not its owner's\n", file, line);
  std::abort();
}

}  // namespace karone::threadcheck

#if defined(KARONE_THREAD_CHECKS)
#define KARONE_CHECK_THREAD(owner) ::karone::threadcheck::check((owner), __FILE__, __LINE__)
#else
#define KARONE_CHECK_THREAD(owner) ((void)0)
#endif
