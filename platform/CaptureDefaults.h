#pragma once
// The capture settings a fresh installation starts with, and what a stored
// value out of its range falls back to: the picture size of one frame, the
// JPEG quality and the frames of a motion strip. Everything that needs one
// of these defaults reads it here.
//
// Constants; any thread.

namespace karone {

inline constexpr int kDefaultImageWidth = 320;
inline constexpr int kDefaultImageHeight = 240;
inline constexpr int kDefaultJpegQuality = 25;  // 1..99
inline constexpr int kDefaultFramesPerStrip = 6;

}  // namespace karone
