#pragma once
// The pipeline's host in karone-capture: settings from the command line and
// the settings file, every upload confirmed at once, each handed-off JPEG
// copied into the output folder under its own name and printed. The output
// folder is made when the first picture comes.
//
// Threads: handOff runs on the pipeline's writer thread, the rest on the
// tool's main thread; the counters are atomic and printing is locked.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "capture/PipelineHost.h"

namespace karone {

class FramePipeline;

class ToolHost final : public PipelineHost {
 public:
  ToolHost(std::string outDir, int mode, int stillPeriod, int quality)
      : outDir_(std::move(outDir)), mode_(mode), stillPeriod_(stillPeriod), quality_(quality) {}

  void attach(FramePipeline* pipeline) { pipeline_ = pipeline; }
  int written() const { return written_; }
  int failed() const { return failed_; }

  int captureMode() const override { return mode_; }
  int stillPeriodSeconds() const override { return stillPeriod_; }
  bool autoShutAndReconnect() const override { return false; }
  int jpegQuality() const override { return quality_; }
  void setProgressRange(int, int) override {}
  void setProgressPosition(int) override {}
  void setStatusText(const std::string&) override {}
  void fiveMinuteNotice() override {}
  void oneMinuteNotice() override {}
  void captureStopped() override {}
  void StopReconnectCountdown(bool) override {}
  bool uploaderIdle() const override { return true; }
  void handOff(const std::string& jpegPath, std::uint32_t fileCounter) override;

 private:
  std::string outDir_;
  int mode_;
  int stillPeriod_;
  int quality_;
  FramePipeline* pipeline_ = nullptr;
  std::atomic<int> written_{0};
  std::atomic<int> failed_{0};
  std::mutex printMutex_;
};

}  // namespace karone
