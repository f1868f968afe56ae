#pragma once
// A camera's modes read from the caps its GStreamer device reports: one
// CameraMode per encoding, layout and size, with the frame rates offered at
// that size. A size range (stepwise devices) gives its largest size and, when
// it lies inside, the size needed; a rate range gives its two ends.
//
// Pure; any thread.
#include <gst/gst.h>

#include <vector>

#include "platform/CameraFormat.h"

namespace karone {

std::vector<CameraMode> cameraModesFromCaps(const GstCaps* caps, const CameraNeed& need);

}  // namespace karone
