#include "tools/karone_capture/ToolHost.h"

#include <unistd.h>

#include "capture/FramePipeline.h"
#include "platform/AtomicFile.h"
#include "resources/Texts.h"

namespace karone {

void ToolHost::handOff(const std::string& jpegPath, std::uint32_t) {
  const std::string name = jpegPath.substr(jpegPath.rfind('/') + 1);
  const std::string target = outDir_ + "/" + name;
  std::string bytes;
  FileResult result = readWholeFile(jpegPath, bytes);
  if (result.ok) result = writeFileAtomically(target, bytes);
  ::unlink(jpegPath.c_str());
  {
    std::lock_guard lock(printMutex_);
    if (result.ok) {
      std::printf("%s\n", formatText(Text::CaptureToolWritten, target.c_str()).c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "%s\n", formatText(Text::CaptureToolCopyFailed, result.error.c_str()).c_str());
    }
  }
  (result.ok ? written_ : failed_) += 1;
  // Nothing is uploaded here: the picture is confirmed at once.
  if (pipeline_ != nullptr) pipeline_->ClearUploadFlags();
}

}  // namespace karone
