#pragma once
// The capture system on GStreamer. The first device is always the built-in
// test pattern (kTestPatternDeviceName), so that the program works on a machine without a camera: a
// moving picture (640 x 480 at 15 frames a second by default: as fast as the
// preview paints) with the time of day drawn in, and
// brightness and contrast from -1000 to 1000. The V4L2 cameras follow, by the
// display names the GStreamer device monitor gives them, each with the modes
// its caps offer; then the network cameras of the settings file, by the
// names the operator gave them.
//
// Threads: as VideoCapture. GStreamer is initialised on first use.
#include <chrono>
#include <string>
#include <vector>

#include "platform/CameraFormat.h"
#include "platform/NetworkCameras.h"
#include "platform/VideoCapture.h"

namespace karone {

struct TestPatternOptions {
  int width = 640;
  int height = 480;
  int framesPerSecond = kPreviewFramesPerSecond;
  // Frames depend only on their number: plain colour bars, no clock drawn
  // in. All rows of a frame are the same, and the bars move sideways from
  // frame to frame.
  bool deterministic = false;
};

struct GstCaptureOptions {
  TestPatternOptions testPattern;
  bool listCameras = true;
  // Network cameras to list; nullopt reads them from the settings file at
  // every listing (unless listCameras is false).
  std::optional<std::vector<NetworkCamera>> networkCameras;
  // The picture a camera is asked for (chooseCameraFormat).
  CameraNeed need;
  // How long a start waits for the first frame format.
  std::chrono::milliseconds startTimeout{5000};
  // Frames that each stand alone (raw, MJPEG) beyond need.framesPerSecond
  // are dropped before they are decoded or converted.
  bool dropToNeed = false;

  // For programs that show no preview (headless, the tools): the sources
  // run only as fast as capture needs (one picture a second, with margin),
  // where they let us choose: the test pattern, and the rate of a camera;
  // the frames of a faster camera are dropped before they are decoded.
  static GstCaptureOptions withoutPreview() {
    GstCaptureOptions options;
    options.dropToNeed = true;
    options.testPattern.framesPerSecond = kFramesPerSecondWithoutPreview;
    options.need.framesPerSecond = kFramesPerSecondWithoutPreview;
    return options;
  }
  static constexpr int kFramesPerSecondWithoutPreview = 2;
};

// What a listed device is and, for a camera with known modes, what it
// offers and which mode it would run in.
struct ListedFormats {
  enum class Kind { TestPattern, V4l2, Network } kind = Kind::TestPattern;
  std::vector<CameraMode> modes;
  std::optional<CameraChoice> chosen;
  std::string url;  // Network: without credentials
};

class GstVideoCapture final : public VideoCapture {
 public:
  explicit GstVideoCapture(GstCaptureOptions options = {});
  ~GstVideoCapture() override;

  std::optional<std::vector<std::string>> listDevices() override;
  std::unique_ptr<VideoDevice> openDevice(int position) override;

  // Of a position of the last listing; nullopt when unknown.
  std::optional<ListedFormats> formats(int position) const;

 private:
  struct Listed {
    std::string name;
    ListedFormats::Kind kind = ListedFormats::Kind::TestPattern;
    std::string path;  // V4L2 node
    std::vector<CameraMode> modes;
    NetworkCamera network;
  };
  GstCaptureOptions options_;
  std::vector<Listed> listed_;
};

}  // namespace karone
