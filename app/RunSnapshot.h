#pragma once
// What the uploader's worker must know at once about the run, published by
// the run controller on its own thread and read by the worker (through
// UploaderBridge): whether capture runs, the capture mode, the buffer clip
// limit, the frames per strip and per second, and the caption with its
// colour. The worker never reads the controller's state directly.
//
// Threads: publish() on the controller's thread; get() on any thread. A
// small lock is held only to copy.
#include <mutex>

#include "ftp/UploadContext.h"

namespace karone {

class RunSnapshot {
 public:
  void publish(const UploadContext& values) {
    std::lock_guard lock(mutex_);
    values_ = values;
  }
  UploadContext get() const {
    std::lock_guard lock(mutex_);
    return values_;
  }

 private:
  mutable std::mutex mutex_;
  UploadContext values_;
};

}  // namespace karone
