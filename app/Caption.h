#pragma once
// The caption's rules that do not need a widget: its length limit and the
// colours of the caption colour list (defined with the list, in capture/).
//
// Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "capture/CaptionColours.h"

namespace karone {

// The caption entry holds at most 30 bytes of code page 932 text (a
// double-byte character counts 2).
inline constexpr std::size_t kCaptionMaxBytes = 30;
bool captionFits(std::string_view utf8);

}  // namespace karone
