#pragma once
// Where a running capture device shows its live picture. The window that
// paints the preview implements it; the core itself never paints.
//
// presentFrame runs on the device's streaming thread for every frame while
// the device runs. It must return quickly and must not call back into the
// device or the capture graph; an implementation keeps the newest frame and
// looks at its pixels on its own thread (the same frame the grabber keeps:
// it is decoded and converted once for both).
#include "platform/VideoFrame.h"

namespace karone {

class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  virtual void presentFrame(const FrameRef& frame) = 0;
};

}  // namespace karone
