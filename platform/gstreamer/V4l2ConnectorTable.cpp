#include "platform/gstreamer/V4l2ConnectorTable.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/ConnectorType.h"

namespace karone::v4l2 {
namespace {

static_assert(kInputTypeTuner == V4L2_INPUT_TYPE_TUNER);
static_assert(kInputTypeCamera == V4L2_INPUT_TYPE_CAMERA);
static_assert(kInputTypeTouch == V4L2_INPUT_TYPE_TOUCH);

struct Rule {
  std::uint32_t inputType;
  const char* nameContains;  // lower case; "" matches every name
  int connector;
};

// First matching rule wins, so S-Video comes before composite ("Composite
// over S-Video" is an S-Video socket).
constexpr Rule kRules[] = {
    {kInputTypeTuner, "", connector::kTuner},
    {kInputTypeCamera, "s-video", connector::kSVideo},
    {kInputTypeCamera, "svideo", connector::kSVideo},
    {kInputTypeCamera, "s video", connector::kSVideo},
    {kInputTypeCamera, "y/c", connector::kSVideo},
    {kInputTypeCamera, "composite", connector::kComposite},
    {kInputTypeCamera, "cvbs", connector::kComposite},
    {kInputTypeCamera, "component", connector::kComponent},
    {kInputTypeCamera, "ypbpr", connector::kComponent},
};

}  // namespace

int connectorTypeForInput(std::uint32_t inputType, std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const Rule& rule : kRules) {
    if (rule.inputType == inputType && lower.find(rule.nameContains) != std::string::npos) {
      return rule.connector;
    }
  }
  return connector::kAuxiliary;
}

}  // namespace karone::v4l2
