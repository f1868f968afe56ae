#pragma once
// What the uploader's worker must know at once about the run, published by
// the run controller on its own thread and read by the worker: whether
// capture runs, the capture mode, the frames per strip and per second, the
// caption with its colour, the buffer clip limit and the automatic-start
// profile. The worker never reads the controller's state directly.
//
// Threads: publish() on the controller's thread; get() on any thread. A
// small lock is held only to copy.
#include <cstdint>
#include <mutex>
#include <string>

#include "capture/CaptureDefaults.h"
#include "ftp/UploaderHost.h"

namespace karone {

class RunSnapshot {
 public:
  struct Values {
    bool capturing = false;
    bool scheduled = false;  // the running session was started by a schedule
    int captureMode = 0;
    int framesPerStrip = kDefaultFramesPerStrip;
    int framesPerSecond = 1;
    int bufferClipLimit = 10;  // -1: the profile keeps its buffer
    Caption caption;
    bool autoStart = false;  // automatic start in still mode is on
    std::string autoStartProfile;
  };

  void publish(const Values& values) {
    std::lock_guard lock(mutex_);
    values_ = values;
  }
  Values get() const {
    std::lock_guard lock(mutex_);
    return values_;
  }

 private:
  mutable std::mutex mutex_;
  Values values_;
};

}  // namespace karone
