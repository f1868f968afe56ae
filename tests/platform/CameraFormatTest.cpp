// The format rule over the mode lists that common USB webcams report
// (as their owners publish them from the V4L2 format listing).
#include "platform/CameraFormat.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

using E = CameraEncoding;

CameraMode mode(E encoding, int w, int h, std::vector<double> fps, std::string layout = {}) {
  CameraMode m{encoding, layout.empty() && encoding == E::Raw ? "YUY2" : layout, w, h, {}};
  for (double f : fps) {
    // 7.5 fps is reported as 15/2, and 0.5 fps as 1/2.
    m.rates.push_back(f == static_cast<int>(f) ? FrameRate{static_cast<int>(f), 1}
                                               : FrameRate{static_cast<int>(f * 2), 2});
  }
  return m;
}

// A USB 2.0 720p webcam: raw above 640x480 only at a few frames a second.
std::vector<CameraMode> webcam720() {
  return {mode(E::Raw, 640, 480, {30, 15}),     mode(E::Raw, 160, 120, {30}),
          mode(E::Raw, 320, 240, {30}),         mode(E::Raw, 1280, 720, {7.5, 5}),
          mode(E::Mjpeg, 640, 480, {30}),       mode(E::Mjpeg, 1280, 720, {30, 15}),
          mode(E::Mjpeg, 320, 240, {30})};
}

// A 1080p webcam with raw, MJPEG up to 1920x1080 at 30 and H.264.
std::vector<CameraMode> webcam1080() {
  return {mode(E::Raw, 640, 480, {30}),        mode(E::Raw, 1920, 1080, {5}),
          mode(E::Mjpeg, 1920, 1080, {30}),    mode(E::Mjpeg, 1280, 720, {60, 30}),
          mode(E::Mjpeg, 800, 600, {30}),      mode(E::H264, 1920, 1080, {30}),
          mode(E::H264, 640, 480, {30})};
}

// A board camera that only sends MJPEG, and only at large sizes.
std::vector<CameraMode> mjpegOnlyLarge() {
  return {mode(E::Mjpeg, 1920, 1080, {30}), mode(E::Mjpeg, 1280, 720, {60, 30})};
}

// An old camera whose only full-size mode is slow.
std::vector<CameraMode> slowRawOnly() {
  return {mode(E::Raw, 640, 480, {5}), mode(E::Raw, 320, 240, {30})};
}

// A CIF camera: nothing as large as needed; odd sizes.
std::vector<CameraMode> cifOnly() {
  return {mode(E::Raw, 352, 288, {30}), mode(E::Raw, 176, 144, {30}), mode(E::Raw, 128, 96, {30})};
}

// An H.264-only network-style camera, with a codec we cannot decode.
std::vector<CameraMode> h264Only() {
  return {mode(E::H264, 1280, 720, {30, 25}), mode(E::Other, 640, 480, {30}, "video/x-vp8")};
}

struct Case {
  const char* name;
  std::vector<CameraMode> modes;
  CameraNeed need;
  std::string chosen;  // describeChoice
};

TEST(CameraFormat, ChoosesByTheRule) {
  const CameraNeed vga{640, 480, 15};
  const std::vector<Case> cases{
      {"raw at the size and rate wanted", webcam720(), vga, "raw YUY2 640x480 15 fps"},
      {"slowest rate still fast enough", webcam720(), {640, 480, 20}, "raw YUY2 640x480 30 fps"},
      {"raw too slow at 720p: MJPEG", webcam720(), {1280, 720, 15}, "MJPEG 1280x720 15 fps"},
      {"raw equals need, MJPEG larger", webcam1080(), {640, 480, 30}, "raw YUY2 640x480 30 fps"},
      {"nearest larger size, scaled", webcam1080(), {1024, 600, 15},
       "MJPEG 1280x720 30 fps, scaled to 1068x600"},
      {"only large MJPEG: scaled down keeping shape", mjpegOnlyLarge(), vga,
       "MJPEG 1280x720 30 fps, scaled to 854x480"},
      {"only a slow full-size mode: slow beats smaller", slowRawOnly(), vga, "raw YUY2 640x480 5 fps"},
      {"nothing large enough: the largest", cifOnly(), vga, "raw YUY2 352x288 30 fps"},
      {"small need: exact small mode", cifOnly(), {176, 144, 1}, "raw YUY2 176x144 30 fps"},
      {"H.264 only; an unknown codec is never taken", h264Only(), vga,
       "H.264 1280x720 25 fps, scaled to 854x480"},
  };
  for (const Case& c : cases) {
    const auto choice = chooseCameraFormat(c.modes, c.need);
    ASSERT_TRUE(choice) << c.name;
    EXPECT_EQ(describeChoice(*choice), c.chosen) << c.name;
  }
}

TEST(CameraFormat, NothingUsable) {
  EXPECT_FALSE(chooseCameraFormat({}, {}));
  // Slower than one frame a second, a codec we lack, or no size at all.
  EXPECT_FALSE(chooseCameraFormat({mode(E::Raw, 640, 480, {0.5}), mode(E::Other, 640, 480, {30}),
                                   mode(E::Mjpeg, 0, 0, {30})},
                                  {}));
}

TEST(CameraFormat, ScaledSizeCoversTheNeedAndStaysEven) {
  const CameraNeed vga{640, 480, 15};
  for (auto [w, h] : {std::pair{1280, 720}, {1920, 1080}, {2592, 1944}, {1280, 1024}, {752, 416},
                      {800, 600}}) {
    const auto [sw, sh] = scaledSize(w, h, vga);
    EXPECT_GE(sw, std::min(w, 640)) << w << "x" << h;
    EXPECT_GE(sh, std::min(h, 480)) << w << "x" << h;
    EXPECT_LE(sw, w);
    EXPECT_LE(sh, h);
    EXPECT_TRUE(sw == w || sw % 2 == 0);
    EXPECT_TRUE(sh == h || sh % 2 == 0);
  }
}

}  // namespace
}  // namespace karone
