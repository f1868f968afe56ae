#pragma once
// What the uploader's worker must know at once about the run it publishes:
// whether capture runs, the capture mode, the strip buffer's limit, the
// frames per strip and per second and the caption for the status page. The
// run controller publishes it (RunSnapshot); the worker reads a fresh copy
// each time it decides.
//
// Plain values; any thread.
#include <cstdint>
#include <string>

#include "platform/CaptureDefaults.h"

namespace karone {

struct Caption {
  std::string text;          // UTF-8, empty until a caption is entered
  std::uint32_t colour = 0;  // red in the lowest byte, then green, then blue

  bool operator==(const Caption&) const = default;
};

struct UploadContext {
  bool capturing = false;
  int captureMode = 0;  // 0 motion, 1 still
  // The profile's buffer clip count, or -1 when the profile keeps its buffer.
  int bufferClipLimit = 10;
  int framesPerStrip = kDefaultFramesPerStrip;
  int framesPerSecond = 1;
  Caption caption;

  bool operator==(const UploadContext&) const = default;
};

}  // namespace karone
