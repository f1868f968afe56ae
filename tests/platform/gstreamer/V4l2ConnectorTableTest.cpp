#include "platform/gstreamer/V4l2ConnectorTable.h"

#include <gtest/gtest.h>

#include "platform/ConnectorType.h"

namespace karone::v4l2 {
namespace {

TEST(V4l2ConnectorTable, MapsInputsToConnectorTypes) {
  struct Row {
    std::uint32_t type;
    const char* name;
    int expected;
  };
  const Row rows[] = {
      {kInputTypeTuner, "Television", connector::kTuner},
      {kInputTypeTuner, "Composite", connector::kTuner},  // the type decides for tuners
      {kInputTypeTuner, "", connector::kTuner},
      {kInputTypeCamera, "Composite", connector::kComposite},
      {kInputTypeCamera, "Composite1", connector::kComposite},
      {kInputTypeCamera, "COMPOSITE", connector::kComposite},
      {kInputTypeCamera, "CVBS in", connector::kComposite},
      {kInputTypeCamera, "S-Video", connector::kSVideo},
      {kInputTypeCamera, "s-video", connector::kSVideo},
      {kInputTypeCamera, "SVideo", connector::kSVideo},
      {kInputTypeCamera, "S Video 2", connector::kSVideo},
      {kInputTypeCamera, "Y/C", connector::kSVideo},
      {kInputTypeCamera, "Composite over S-Video", connector::kSVideo},
      {kInputTypeCamera, "Component", connector::kComponent},
      {kInputTypeCamera, "YPbPr", connector::kComponent},
      {kInputTypeCamera, "Camera 1", connector::kAuxiliary},
      {kInputTypeCamera, "", connector::kAuxiliary},
      {kInputTypeTouch, "Composite", connector::kAuxiliary},
      {99, "S-Video", connector::kAuxiliary},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("type ") + std::to_string(row.type) + " \"" + row.name + "\"");
    EXPECT_EQ(connectorTypeForInput(row.type, row.name), row.expected);
  }
}

TEST(V4l2ConnectorTable, OnlyTunerCompositeAndSVideoGetTheNamedTypes) {
  // The program names types 1 to 3 only; no other camera input may fall
  // into that range by accident.
  for (const char* name : {"HDMI", "DVI", "VGA", "Camera", "Input 3", "webcam"}) {
    int type = connectorTypeForInput(kInputTypeCamera, name);
    EXPECT_TRUE(type < 1 || type > 3) << name;
  }
}

}  // namespace
}  // namespace karone::v4l2
