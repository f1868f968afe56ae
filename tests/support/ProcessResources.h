#pragma once
// Counts of what this process holds, for tests that check that repeated
// start and stop leave nothing behind. Released objects may close their
// descriptors a moment later on another thread (a pool thread dropping its
// last reference), so the waiting form polls for a bounded time.
#include <chrono>

namespace karone::testing {

int openDescriptorCount();
int threadCount();

// Polls until at most `target` descriptors are open or `limit` has passed;
// returns the last count.
int descriptorCountSettlingTo(int target, std::chrono::milliseconds limit);
// Polls until at most `target` threads run or `limit` has passed; returns
// the last count (threads that are ending leave a moment later).
int threadCountSettlingTo(int target, std::chrono::milliseconds limit);
// Polls until the count has not changed for `quiet`, at most `limit`.
int settledDescriptorCount(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

}  // namespace karone::testing
