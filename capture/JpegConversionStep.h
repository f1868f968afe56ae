#pragma once
// The step after a picture has been written as a BMP: convert it to the JPEG
// of the same name, delete the BMP and hand the JPEG on for upload.
//
// Flags it manages (the capture window's, shared with its timer thread):
// - success: uploadPending := 1 and stripReady := 0, then the hand-off;
// - failure: the picture is dropped. The BMP is deleted, nothing is handed
//   on, stripReady := 0 and workerRunning := 0, uploadPending is left as it
//   is, so that the next finished strip or still picture is written and
//   converted as usual.
// The JPEG has been written and closed by this same thread before it is
// handed on, so the hand-off happens at once.
//
// Runs on the capture worker thread; one run at a time per instance.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "capture/JpegEncoder.h"

namespace karone {

class JpegConversionStep {
 public:
  struct Flags {
    std::atomic<int>& stripReady;
    std::atomic<int>& uploadPending;
    std::atomic<int>& workerRunning;
  };
  // Receives the JPEG path and the file counter of the picture; called on
  // the worker thread, must not wait for the upload.
  using HandOff = std::function<void(const std::string& jpegPath, std::uint32_t fileCounter)>;

  struct Outcome {
    std::string jpegPath;  // the capture window keeps it as its current JPEG path
    ConvertResult convert;  // Ok when the JPEG was handed on; else the message for the log
    bool handedOn() const { return convert.ok(); }
  };

  JpegConversionStep(const JpegEncoder& encoder, HandOff handOff);

  Outcome run(const std::string& bmpPath, int quality, std::uint32_t fileCounter, Flags flags);

 private:
  const JpegEncoder& encoder_;
  HandOff handOff_;
};

}  // namespace karone
