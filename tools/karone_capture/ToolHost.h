#pragma once
// What karone-capture does with the pipeline's pictures: each JPEG offered
// is copied into the output folder under its own name and printed, and its
// upload confirmed at once (nothing is uploaded). The output folder is made
// when the first picture comes.
//
// Threads: the tool's main thread, where the pipeline's events arrive.
#include <string>

#include "capture/PipelineHost.h"

namespace karone {

class FramePipeline;

class ToolHost final {
 public:
  explicit ToolHost(std::string outDir) : outDir_(std::move(outDir)) {}

  // The pipeline's host; the pipeline, once attached, gets each picture
  // confirmed.
  PipelineHost host();
  void attach(FramePipeline* pipeline) { pipeline_ = pipeline; }
  int written() const { return written_; }
  int failed() const { return failed_; }

 private:
  void keep(const std::string& jpegPath);

  std::string outDir_;
  FramePipeline* pipeline_ = nullptr;
  int written_ = 0;
  int failed_ = 0;
};

}  // namespace karone
