#include "capture/JpegConversionStep.h"

#include <unistd.h>

namespace karone {

JpegConversionStep::JpegConversionStep(const JpegEncoder& encoder, HandOff handOff)
    : encoder_(encoder), handOff_(std::move(handOff)) {}

JpegConversionStep::Outcome JpegConversionStep::run(const std::string& bmpPath, int quality,
                                                    std::uint32_t fileCounter, Flags flags) {
  Outcome outcome;
  outcome.jpegPath = JpegEncoder::jpegPathFor(bmpPath);
  if (outcome.jpegPath == bmpPath) {
    // Converting would truncate the picture it reads.
    outcome.convert = {JpegResult::Failed, "the picture " + bmpPath + " already has a JPEG name"};
  } else {
    outcome.convert = encoder_.Convert(bmpPath, outcome.jpegPath, quality);
  }
  ::unlink(bmpPath.c_str());
  if (!outcome.convert.ok()) {
    flags.stripReady = 0;
    flags.workerRunning = 0;
    return outcome;
  }
  flags.uploadPending = 1;
  flags.stripReady = 0;
  if (handOff_) handOff_(outcome.jpegPath, fileCounter);
  return outcome;
}

}  // namespace karone
