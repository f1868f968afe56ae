#include "capture/CaptionColours.h"

namespace karone {

std::uint32_t captionColourAt(int index, std::uint32_t systemTextColour) {
  static constexpr std::uint32_t kColours[kCaptionColourCount - 1] = {
      0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
      0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  if (index == kSystemTextColourIndex) return systemTextColour;
  if (index < 0 || index >= kCaptionColourCount) return 0;
  return kColours[index];
}

}  // namespace karone
