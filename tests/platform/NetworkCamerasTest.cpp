// The network camera records: what may be added, how they are kept in the
// settings file and how their address is shown.
#include "platform/NetworkCameras.h"

#include <gtest/gtest.h>

#include "tests/doubles/MemorySettingsStorage.h"

namespace karone {
namespace {

TEST(NetworkCameras, ChecksWhatMayBeAdded) {
  struct Case {
    NetworkCamera camera;
    bool accepted;
  };
  const Case cases[] = {
      {{"Gate", "rtsp://127.0.0.1:8554/gate", "admin", "pw"}, true},
      {{"Yard", "HTTP://cam.local/video.mjpg", "", ""}, true},
      {{"Secure", "rtsps://cam/stream", "u", ""}, true},
      {{"", "rtsp://cam/x", "", ""}, false},
      {{std::string(256, 'n'), "rtsp://cam/x", "", ""}, false},
      {{"Tab\tname", "rtsp://cam/x", "", ""}, false},
      {{"Gate", "rtsp://cam/x", "admin", "line\nbreak"}, false},
      {{"Gate", "ftp://cam/x", "", ""}, false},
      {{"Gate", "rtsp:///x", "", ""}, false},
      {{"Gate", "rtsp://admin:pw@cam/x", "", ""}, false},
      {{"Gate", "rtsp://cam/x", "", "pw"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(checkNetworkCamera(c.camera).empty(), c.accepted) << c.camera.name << " " << c.camera.url;
  }
  // Names are free whatever their case; the test pattern's is never.
  const std::vector<NetworkCamera> existing{{"Gate", "rtsp://cam/x", "", ""}};
  EXPECT_EQ(findCameraProblem({"GATE", "rtsp://cam/y", "", ""}, existing), CameraProblem::NameTaken);
  EXPECT_EQ(findCameraProblem({"karone TEST pattern", "rtsp://cam/y", "", ""}, existing),
            CameraProblem::NameTaken);
  EXPECT_EQ(findCameraProblem({"Gate 2", "rtsp://cam/y", "", ""}, existing), CameraProblem::None);
}

TEST(NetworkCameras, DisplayUrlDropsCredentials) {
  EXPECT_EQ(displayUrl("rtsp://admin:pw@cam:554/x?a=b@c"), "rtsp://cam:554/x?a=b@c");
  EXPECT_EQ(displayUrl("http://cam/x"), "http://cam/x");
  EXPECT_EQ(displayUrl("not a url"), "not a url");
}

TEST(NetworkCameras, KeepsTheListAndTheOtherSettings) {
  MemorySettingsStorage storage;
  ASSERT_TRUE(storage.createKey() && storage.openKey());
  storage.writeValue("iCaptureMode", "1");
  storage.closeKey();
  const std::vector<NetworkCamera> cameras{{"Gate", "rtsp://cam/x", "admin", "p=w\\d"},
                                           {"Yard", "http://cam/y", "", ""}};
  ASSERT_TRUE(saveNetworkCameras(storage, cameras));
  EXPECT_EQ(loadNetworkCameras(storage), cameras);
  ASSERT_TRUE(storage.openKey());
  EXPECT_EQ(storage.readValue("iCaptureMode"), "1");
  storage.closeKey();
  ASSERT_TRUE(saveNetworkCameras(storage, {}));
  EXPECT_TRUE(loadNetworkCameras(storage).empty());
}

}  // namespace
}  // namespace karone
