#pragma once
// Brightness and contrast of a running capture device, in the device's own
// units. A device without such controls offers no VideoProcAmp at all; one
// that has only one of the two answers nullopt / false for the other.
//
// Called on the thread that owns the capture graph (the window thread); valid
// while the device runs.
#include <optional>

namespace karone {

enum class VideoProperty { Brightness, Contrast };

struct PropertyRange {
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  int defaultValue = 0;
  bool operator==(const PropertyRange&) const = default;
};

class VideoProcAmp {
 public:
  virtual ~VideoProcAmp() = default;
  virtual std::optional<PropertyRange> range(VideoProperty property) = 0;
  virtual std::optional<int> get(VideoProperty property) = 0;
  // False when the property is missing or the value is outside its range;
  // the device then keeps its value.
  virtual bool set(VideoProperty property, int value) = 0;
};

}  // namespace karone
