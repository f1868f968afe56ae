#pragma once
// Brightness and contrast of a running GStreamer element that implements
// GstColorBalance (v4l2src once the device is open, videobalance for the
// test pattern). The channels are found by label without regard to case.
//
// Runs on the capture graph's thread; valid while the element lives (the
// object holds a reference to it).
#include <gst/gst.h>
#include <gst/video/colorbalance.h>

#include <array>
#include <memory>
#include <optional>

#include "platform/VideoProcAmp.h"

namespace karone {

class GstColorBalanceProcAmp final : public VideoProcAmp {
 public:
  // Null when the element has neither a brightness nor a contrast channel.
  // defaults: the neutral value of each property, when known; otherwise the
  // middle of its range.
  static std::unique_ptr<GstColorBalanceProcAmp> create(
      GstElement* element, std::array<std::optional<int>, 2> defaults);
  ~GstColorBalanceProcAmp() override;
  GstColorBalanceProcAmp(const GstColorBalanceProcAmp&) = delete;
  GstColorBalanceProcAmp& operator=(const GstColorBalanceProcAmp&) = delete;

  std::optional<PropertyRange> range(VideoProperty property) override;
  std::optional<int> get(VideoProperty property) override;
  bool set(VideoProperty property, int value) override;

 private:
  GstColorBalanceProcAmp(GstElement* element, std::array<GstColorBalanceChannel*, 2> channels,
                         std::array<std::optional<int>, 2> defaults);
  GstColorBalanceChannel* channel(VideoProperty property) const;

  GstElement* element_;
  std::array<GstColorBalanceChannel*, 2> channels_;  // referenced; null when missing
  std::array<std::optional<int>, 2> defaults_;
};

}  // namespace karone
