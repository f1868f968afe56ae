#include "capture/CaptureGraphFrameSource.h"

namespace karone {
namespace {

struct GraphOpening final : FrameSource::Opening {
  std::unique_ptr<CaptureGraph::PendingBuild> build;
  int start() override { return build->start(); }
  void abandon() override { build->abandon(); }
};

}  // namespace

std::unique_ptr<FrameSource::Opening> CaptureGraphFrameSource::prepareOpen(int index) {
  auto build = graph_.prepareBuild(index, preview_);
  if (!build) return nullptr;
  auto opening = std::make_unique<GraphOpening>();
  opening->build = std::move(build);
  return opening;
}

int CaptureGraphFrameSource::adopt(Opening& started) {
  auto* opening = dynamic_cast<GraphOpening*>(&started);
  if (!opening || !opening->build) return CaptureGraph::kBuildFailed;
  return graph_.adopt(*opening->build);
}

std::vector<std::string> CaptureGraphFrameSource::enumerateDevices() {
  std::vector<std::string> names;
  if (!graph_.enumerateDevices()) return names;
  for (int i = 0; i < graph_.deviceCount(); ++i) names.push_back(graph_.deviceName(i).value_or(""));
  return names;
}

bool CaptureGraphFrameSource::frameSize(int& width, int& height, int& bitsPerPixel) const {
  std::optional<FrameFormat> format = graph_.frameSize();
  if (!format) return false;
  width = format->width;
  height = format->height;
  bitsPerPixel = format->bitsPerPixel;
  return true;
}

bool CaptureGraphFrameSource::grabFrame(Picture& frame) {
  if (!graph_.grabFrame(scratch_)) return false;
  frame = Picture::fromTopDown(scratch_.pixels.data(), scratch_.width, scratch_.height,
                               static_cast<std::size_t>(scratch_.width) * 3);
  return !frame.empty();
}

}  // namespace karone
