#pragma once
// The capture system on GStreamer. The first device is always the built-in
// test pattern (kTestPatternDeviceName), so that the program works on a machine without a camera: a
// moving picture (640 x 480 by default) with the time of day drawn in, and
// brightness and contrast from -1000 to 1000. The V4L2 cameras follow, by the
// display names the GStreamer device monitor gives them.
//
// Threads: as VideoCapture. GStreamer is initialised on first use.
#include <chrono>
#include <string>
#include <vector>

#include "platform/VideoCapture.h"

namespace karone {

struct TestPatternOptions {
  int width = 640;
  int height = 480;
  int framesPerSecond = 30;
  // Frames depend only on their number: plain colour bars, no clock drawn
  // in. All rows of a frame are the same, and the bars move sideways from
  // frame to frame.
  bool deterministic = false;
};

struct GstCaptureOptions {
  TestPatternOptions testPattern;
  bool listCameras = true;
  // How long a start waits for the first frame format.
  std::chrono::milliseconds startTimeout{5000};
};

class GstVideoCapture final : public VideoCapture {
 public:
  explicit GstVideoCapture(GstCaptureOptions options = {});
  ~GstVideoCapture() override;

  std::optional<std::vector<std::string>> listDevices() override;
  std::unique_ptr<VideoDevice> openDevice(int position) override;

 private:
  struct Listed {
    std::string name;
    std::string path;  // V4L2 node; empty for the test pattern
  };
  GstCaptureOptions options_;
  std::vector<Listed> listed_;
};

}  // namespace karone
