#pragma once
// Which physical connector a V4L2 input stands for. V4L2 tells only whether
// an input is a tuner or a "camera" (any other video input), so the kind of
// socket is read from the input's name: composite (also CVBS), S-Video (also
// Y/C), component (also YPbPr). All rules live in one table.
//
// Pure functions; any thread.
#include <cstdint>
#include <string_view>

namespace karone::v4l2 {

// Values of struct v4l2_input's type field.
inline constexpr std::uint32_t kInputTypeTuner = 1;
inline constexpr std::uint32_t kInputTypeCamera = 2;
inline constexpr std::uint32_t kInputTypeTouch = 3;

// Connector type (platform/ConnectorType.h) of an input; inputs the table
// does not know are auxiliary inputs, which the program lists but does not
// name.
int connectorTypeForInput(std::uint32_t inputType, std::string_view name);

}  // namespace karone::v4l2
