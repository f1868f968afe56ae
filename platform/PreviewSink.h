#pragma once
// Where a running capture device shows its live picture. The window that
// paints the preview implements it; the core itself never paints.
//
// presentFrame runs on the device's streaming thread for every frame while
// the device runs. It must return quickly and must not call back into the
// device or the capture graph; an implementation copies what it needs and
// hands it to its own thread. The frame is valid only during the call.
#include "platform/VideoFrame.h"

namespace karone {

class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  virtual void presentFrame(const FrameView& frame) = 0;
};

}  // namespace karone
