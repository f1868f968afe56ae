#include "platform/gstreamer/GstColorBalanceProcAmp.h"

#include <strings.h>

namespace karone {
namespace {

std::size_t slot(VideoProperty property) { return property == VideoProperty::Brightness ? 0 : 1; }

}  // namespace

std::unique_ptr<GstColorBalanceProcAmp> GstColorBalanceProcAmp::create(
    GstElement* element, std::array<std::optional<int>, 2> defaults) {
  if (element == nullptr || !GST_IS_COLOR_BALANCE(element)) return nullptr;
  std::array<GstColorBalanceChannel*, 2> channels{nullptr, nullptr};
  const GList* list = gst_color_balance_list_channels(GST_COLOR_BALANCE(element));
  for (const GList* item = list; item != nullptr; item = item->next) {
    auto* ch = GST_COLOR_BALANCE_CHANNEL(item->data);
    if (ch->label == nullptr) continue;
    if (channels[0] == nullptr && strcasecmp(ch->label, "brightness") == 0) channels[0] = ch;
    if (channels[1] == nullptr && strcasecmp(ch->label, "contrast") == 0) channels[1] = ch;
  }
  if (channels[0] == nullptr && channels[1] == nullptr) return nullptr;
  for (auto* ch : channels) {
    if (ch != nullptr) g_object_ref(ch);
  }
  return std::unique_ptr<GstColorBalanceProcAmp>(
      new GstColorBalanceProcAmp(element, channels, defaults));
}

GstColorBalanceProcAmp::GstColorBalanceProcAmp(GstElement* element,
                                               std::array<GstColorBalanceChannel*, 2> channels,
                                               std::array<std::optional<int>, 2> defaults)
    : element_(GST_ELEMENT(gst_object_ref(element))), channels_(channels), defaults_(defaults) {}

GstColorBalanceProcAmp::~GstColorBalanceProcAmp() {
  for (auto* ch : channels_) {
    if (ch != nullptr) g_object_unref(ch);
  }
  gst_object_unref(element_);
}

GstColorBalanceChannel* GstColorBalanceProcAmp::channel(VideoProperty property) const {
  return channels_[slot(property)];
}

std::optional<PropertyRange> GstColorBalanceProcAmp::range(VideoProperty property) {
  auto* ch = channel(property);
  if (ch == nullptr) return std::nullopt;
  PropertyRange r;
  r.minimum = ch->min_value;
  r.maximum = ch->max_value;
  r.step = 1;
  const auto& given = defaults_[slot(property)];
  r.defaultValue = given && *given >= r.minimum && *given <= r.maximum
                       ? *given
                       : r.minimum + (r.maximum - r.minimum) / 2;
  return r;
}

std::optional<int> GstColorBalanceProcAmp::get(VideoProperty property) {
  auto* ch = channel(property);
  if (ch == nullptr) return std::nullopt;
  return gst_color_balance_get_value(GST_COLOR_BALANCE(element_), ch);
}

bool GstColorBalanceProcAmp::set(VideoProperty property, int value) {
  auto* ch = channel(property);
  if (ch == nullptr || value < ch->min_value || value > ch->max_value) return false;
  gst_color_balance_set_value(GST_COLOR_BALANCE(element_), ch, value);
  return true;
}

}  // namespace karone
