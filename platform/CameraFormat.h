#pragma once
// The formats a camera offers and the one we take from it.
//
// A camera offers modes: an encoding (raw pixels in some layout, MJPEG,
// H.264), a frame size and the frame rates it can run that size at. What we
// need is a picture of at least a given size at at least a given rate.
// chooseCameraFormat picks one mode and one rate by this rule:
//
//   1. Only modes we can decode (raw, MJPEG, H.264) and rates of at least
//      one frame a second (the slowest capture there is) count.
//   2. Among the modes at least as large as needed (both sides) and at
//      least as fast as needed: the smallest size; at equal size raw before
//      MJPEG before H.264 (less work per frame).
//   3. When no mode is both large enough and fast enough: the fastest mode
//      that is large enough (a slow live picture beats none), and failing
//      that the largest mode of all, at its fastest rate.
//   4. The rate taken is the slowest offered rate that is fast enough, else
//      the fastest offered.
// A chosen size larger than needed is scaled down on the way in, keeping
// its shape (scaledSize).
//
// Plain values and a pure function; no threads, no GStreamer.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace karone {

struct FrameRate {
  int numerator = 0;
  int denominator = 1;
  double perSecond() const {
    return denominator > 0 ? static_cast<double>(numerator) / denominator : 0.0;
  }
  bool operator==(const FrameRate&) const = default;
};

enum class CameraEncoding { Raw, Mjpeg, H264, Other };

struct CameraMode {
  CameraEncoding encoding = CameraEncoding::Raw;
  // The pixel layout of raw modes as GStreamer names it ("YUY2", "NV12"),
  // the codec's name otherwise; informational.
  std::string layout;
  int width = 0;
  int height = 0;
  std::vector<FrameRate> rates;
};

// The most new frames a second the preview paints, and so the rate a source
// needs while the preview is shown (pictures are taken far more slowly).
inline constexpr int kPreviewFramesPerSecond = 15;

struct CameraNeed {
  int width = 640;
  int height = 480;
  int framesPerSecond = kPreviewFramesPerSecond;
};

struct CameraChoice {
  CameraMode mode;  // rates holds the one rate taken
  FrameRate rate;
  // The size handed on: the mode's, or smaller when it is scaled down.
  int width = 0;
  int height = 0;
  bool scaled() const { return width != mode.width || height != mode.height; }
};

// Nullopt when no mode can be used at all.
std::optional<CameraChoice> chooseCameraFormat(const std::vector<CameraMode>& modes,
                                               const CameraNeed& need);

// The size a width x height picture is scaled down to so that it still
// covers need on both sides, keeping its shape; even numbers (raw layouts
// with half-size colour planes need them). Never larger than the picture.
std::pair<int, int> scaledSize(int width, int height, const CameraNeed& need);

// "MJPEG 1280x720 30 fps", "raw YUY2 640x480 7.5 fps": for lists and logs.
std::string describeMode(const CameraMode& mode);
std::string describeChoice(const CameraChoice& choice);

}  // namespace karone
