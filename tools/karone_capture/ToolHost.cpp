#include "tools/karone_capture/ToolHost.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "capture/FramePipeline.h"
#include "platform/AtomicFile.h"
#include "resources/Texts.h"

namespace karone {

PipelineHost ToolHost::host() {
  PipelineHost host;
  host.onEvent = [this](const PipelineEvent& event) {
    if (const auto* ready = std::get_if<pipelineevent::PictureReady>(&event)) keep(ready->jpegPath);
    if (const auto* lost = std::get_if<pipelineevent::CameraLost>(&event)) {
      std::fprintf(stderr, "%s\n",
                   formatText(Text::CaptureToolCameraLost, lost->device.c_str(), lost->reason.c_str()).c_str());
    }
    if (const auto* back = std::get_if<pipelineevent::CameraReturned>(&event)) {
      std::fprintf(stderr, "%s\n",
                   formatText(Text::CaptureToolCameraBack, back->device.c_str(),
                              static_cast<long long>(back->secondsGone)).c_str());
    }
  };
  return host;
}

void ToolHost::keep(const std::string& jpegPath) {
  const std::string name = jpegPath.substr(jpegPath.rfind('/') + 1);
  const std::string target = outDir_ + "/" + name;
  std::string bytes;
  FileResult result = readWholeFile(jpegPath, bytes);
  // The output folder is made with the first picture, not before: a run
  // that writes nothing leaves nothing behind.
  std::error_code ec;
  if (result.ok && !std::filesystem::is_directory(outDir_) &&
      !std::filesystem::create_directories(outDir_, ec)) {
    result = {false, formatText(Text::CaptureToolNoFolder, outDir_.c_str())};
  }
  if (result.ok) result = writeFileAtomically(target, bytes);
  ::unlink(jpegPath.c_str());
  if (result.ok) {
    std::printf("%s\n", formatText(Text::CaptureToolWritten, target.c_str()).c_str());
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "%s\n",
                 formatText(Text::CaptureToolCopyFailed, result.error.c_str()).c_str());
  }
  (result.ok ? written_ : failed_) += 1;
  // Nothing is uploaded here: the picture is confirmed at once.
  if (pipeline_ != nullptr) pipeline_->ClearUploadFlags();
}

}  // namespace karone
