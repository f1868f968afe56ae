#include "capture/JpegConversionStep.h"

#include <unistd.h>

namespace karone {

JpegConversionStep::Outcome JpegConversionStep::run(const std::string& bmpPath,
                                                    int quality) const {
  Outcome outcome;
  outcome.jpegPath = JpegEncoder::jpegPathFor(bmpPath);
  if (outcome.jpegPath == bmpPath) {
    // Converting would truncate the picture it reads.
    outcome.convert = {JpegResult::Failed, "the picture " + bmpPath + " already has a JPEG name"};
  } else {
    outcome.convert = encoder_.Convert(bmpPath, outcome.jpegPath, quality);
  }
  ::unlink(bmpPath.c_str());
  return outcome;
}

}  // namespace karone
