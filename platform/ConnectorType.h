#pragma once
// Physical connector types of capture inputs and outputs. The numbers are
// stored in the settings and in schedules (the video source of a session),
// so they never change.
#include <string>

namespace karone::connector {

inline constexpr int kNone = -1;
inline constexpr int kTuner = 1;
inline constexpr int kComposite = 2;
inline constexpr int kSVideo = 3;
inline constexpr int kRgb = 4;
inline constexpr int kComponent = 5;
inline constexpr int kSerialDigital = 6;
inline constexpr int kParallelDigital = 7;
inline constexpr int kAuxiliary = 9;
inline constexpr int kUsb = 11;
// Outputs of an input selector.
inline constexpr int kVideoDecoder = 12;
inline constexpr int kAudioTuner = 0x1000;
inline constexpr int kAudioDecoder = 0x1001;

}  // namespace karone::connector

namespace karone {

// The name of a video input type in menus and lists: 1 "テレビチューナー",
// 2 "ビデオ", 3 "S-ビデオ"; empty for types without a name.
std::string videoSourceName(int connectorType);

}  // namespace karone
