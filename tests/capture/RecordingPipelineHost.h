#pragma once
// A PipelineHost that records what the pipeline tells it and lets a test
// wait, with a time limit, for the writer thread's hand-offs. Settings are
// plain fields the test sets before the call that reads them.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/PipelineHost.h"

namespace karone::testing {

class RecordingPipelineHost final : public PipelineHost {
 public:
  struct HandOff {
    std::string path;
    std::uint32_t counter;
  };

  int mode = 0;
  int stillPeriod = 45;
  bool autoShut = false;
  int quality = 25;
  std::atomic<bool> idle{true};
  // Runs on the writer thread inside handOff (after recording it).
  std::function<void(const HandOff&)> onHandOff;

  int captureMode() const override { return mode; }
  int stillPeriodSeconds() const override { return stillPeriod; }
  bool autoShutAndReconnect() const override { return autoShut; }
  int jpegQuality() const override { return quality; }
  void setProgressRange(int low, int high) override { progressRange = {low, high}; }
  void setProgressPosition(int position) override { progress.push_back(position); }
  void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void fiveMinuteNotice() override { ++fiveMinuteNotices; }
  void oneMinuteNotice() override { ++oneMinuteNotices; }
  void captureStopped() override { ++stopNotices; }
  void StopReconnectCountdown(bool announce) override { reconnectStops.push_back(announce); }
  bool uploaderIdle() const override { return idle; }

  void handOff(const std::string& jpegPath, std::uint32_t fileCounter) override {
    HandOff entry{jpegPath, fileCounter};
    {
      std::lock_guard lock(mutex_);
      handOffs_.push_back(entry);
    }
    changed_.notify_all();
    if (onHandOff) onHandOff(entry);
  }

  std::vector<HandOff> handOffs() const {
    std::lock_guard lock(mutex_);
    return handOffs_;
  }
  // True when at least n hand-offs arrived within the time limit.
  bool waitForHandOffs(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return handOffs_.size() >= n; });
  }

  std::pair<int, int> progressRange{-1, -1};
  std::vector<int> progress;
  std::vector<std::string> statusTexts;
  int fiveMinuteNotices = 0;
  int oneMinuteNotices = 0;
  int stopNotices = 0;
  std::vector<bool> reconnectStops;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<HandOff> handOffs_;
};

// Polls a condition until it holds or the time limit passes.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace karone::testing
