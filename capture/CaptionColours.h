#pragma once
// The colours of the caption colour list: 17 entries, in list order; index
// 16 stands for the system's window-text colour, which the caller supplies.
// Colours are 0x00BBGGRR (red in the lowest byte). Indices outside 0..16
// give black.
//
// Pure functions; any thread.
#include <cstdint>

namespace karone {

inline constexpr int kCaptionColourCount = 17;
inline constexpr int kSystemTextColourIndex = 16;
std::uint32_t captionColourAt(int index, std::uint32_t systemTextColour);

}  // namespace karone
