#pragma once
// The caption's rules that do not need a widget: its length limit and the
// colours of the caption colour list.
//
// Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace karone {

// The caption entry holds at most 30 bytes of code page 932 text (a
// double-byte character counts 2).
inline constexpr std::size_t kCaptionMaxBytes = 30;
bool captionFits(std::string_view utf8);

// The caption colour list: 17 entries; index 16 is the system's window-text
// colour. Colours are 0x00BBGGRR. Indices outside 0..16 give black.
inline constexpr int kCaptionColourCount = 17;
inline constexpr int kSystemTextColourIndex = 16;
std::uint32_t captionColourAt(int index, std::uint32_t systemTextColour);

}  // namespace karone
