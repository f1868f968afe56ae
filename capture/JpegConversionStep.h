#pragma once
// The step after a picture has been written as a BMP: convert it to the JPEG
// of the same name and delete the BMP. When the conversion fails the picture
// is dropped: the BMP is deleted all the same and no JPEG is left behind,
// so that the next finished strip or still picture is written and
// converted as usual. When it succeeds, the JPEG has been written and
// closed before run() returns.
//
// Runs on the capture writer thread; stateless, so runs may overlap.
#include <string>

#include "capture/JpegEncoder.h"

namespace karone {

class JpegConversionStep {
 public:
  struct Outcome {
    std::string jpegPath;   // the capture window keeps it as its current JPEG path
    ConvertResult convert;  // Ok when the JPEG is there; else the message for the log
    bool converted() const { return convert.ok(); }
  };

  explicit JpegConversionStep(const JpegEncoder& encoder) : encoder_(encoder) {}

  Outcome run(const std::string& bmpPath, int quality) const;

 private:
  const JpegEncoder& encoder_;
};

}  // namespace karone
