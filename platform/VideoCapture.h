#pragma once
// The video capture system of this machine: lists the capture devices by
// friendly name and binds one of them by its position in that list. The
// GStreamer backend (platform/gstreamer/) is the real one; ScriptedVideoCapture
// is the scriptable double for tests.
//
// Threads: called from the thread that owns the capture graph. Devices it
// hands out must not outlive it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/VideoDevice.h"

namespace karone {

// The friendly name of the built-in test-pattern device, which the GStreamer
// backend lists first so that the program works without a camera, and which
// the capture window prefers when no device has been chosen.
inline constexpr char kTestPatternDeviceName[] = "Karone Test Pattern";

class VideoCapture {
 public:
  virtual ~VideoCapture() = default;

  // Friendly names in enumeration order; several devices may share a name.
  // nullopt when the devices cannot be listed at all.
  virtual std::optional<std::vector<std::string>> listDevices() = 0;

  // Binds the device at a position of the list the last listDevices()
  // returned. Null when the position is unknown or the device cannot be
  // opened.
  virtual std::unique_ptr<VideoDevice> openDevice(int position) = 0;
};

}  // namespace karone
