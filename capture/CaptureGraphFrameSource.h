#pragma once
// The capture graph as the frame pipeline's FrameSource: frames come out as
// Pictures, and builds show the live picture on the given preview sink
// (none for tools and tests).
//
// Threads: as CaptureGraph, the thread that owns the graph.
#include "capture/CaptureGraph.h"
#include "capture/FrameSource.h"

namespace karone {

class CaptureGraphFrameSource final : public FrameSource {
 public:
  explicit CaptureGraphFrameSource(CaptureGraph& graph, PreviewSink* preview = nullptr)
      : graph_(graph), preview_(preview) {}

  std::vector<std::string> enumerateDevices() override;
  bool bindDevice(int index) override { return graph_.bindDevice(index); }
  int buildGraph() override { return graph_.buildGraph(preview_); }
  std::unique_ptr<Opening> prepareOpen(int index) override;
  int adopt(Opening& started) override;
  bool RouteVideoInput(int connectorType) override {
    return graph_.RouteVideoInput(connectorType);
  }
  void teardown() override { graph_.teardown(); }
  bool running() const override { return graph_.running(); }
  bool frameSize(int& width, int& height, int& bitsPerPixel) const override;
  bool grabFrame(Picture& frame) override;
  std::optional<std::uint64_t> framesArrived() const override { return graph_.framesArrived(); }
  std::string runFailure() const override { return graph_.runFailure(); }
  std::optional<std::chrono::milliseconds> silence() const override { return graph_.silence(); }

  CaptureGraph& graph() { return graph_; }

 private:
  CaptureGraph& graph_;
  PreviewSink* preview_;
  VideoFrame scratch_;  // reused between grabs
};

}  // namespace karone
