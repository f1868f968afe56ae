#include "platform/gstreamer/GstCameraModes.h"

#include <algorithm>
#include <string>

namespace karone {
namespace {

// The values of an int field: one, a list's members, or a range's ends (with
// wanted in between when it falls inside).
std::vector<int> intValues(const GstStructure* s, const char* field, int wanted) {
  const GValue* v = gst_structure_get_value(s, field);
  std::vector<int> out;
  if (v == nullptr) return out;
  if (G_VALUE_HOLDS_INT(v)) {
    out.push_back(g_value_get_int(v));
  } else if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    const int low = gst_value_get_int_range_min(v);
    const int high = gst_value_get_int_range_max(v);
    out.push_back(high);
    if (wanted > low && wanted < high) out.push_back(wanted);
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* item = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_INT(item)) out.push_back(g_value_get_int(item));
    }
  }
  return out;
}

void addRate(std::vector<FrameRate>& rates, const GValue* v) {
  if (GST_VALUE_HOLDS_FRACTION(v)) {
    FrameRate r{gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)};
    if (r.denominator > 0 && std::find(rates.begin(), rates.end(), r) == rates.end())
      rates.push_back(r);
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    addRate(rates, gst_value_get_fraction_range_min(v));
    addRate(rates, gst_value_get_fraction_range_max(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i)
      addRate(rates, gst_value_list_get_value(v, i));
  }
}

std::vector<std::string> layouts(const GstStructure* s) {
  const GValue* v = gst_structure_get_value(s, "format");
  std::vector<std::string> out;
  if (v == nullptr) return out;
  if (G_VALUE_HOLDS_STRING(v)) {
    out.emplace_back(g_value_get_string(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* item = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_STRING(item)) out.emplace_back(g_value_get_string(item));
    }
  }
  return out;
}

}  // namespace

std::vector<CameraMode> cameraModesFromCaps(const GstCaps* caps, const CameraNeed& need) {
  std::vector<CameraMode> modes;
  if (caps == nullptr || gst_caps_is_any(caps)) return modes;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    const std::string media = gst_structure_get_name(s);
    CameraEncoding encoding = CameraEncoding::Other;
    std::vector<std::string> names{media};
    if (media == "video/x-raw") {
      encoding = CameraEncoding::Raw;
      names = layouts(s);
    } else if (media == "image/jpeg") {
      encoding = CameraEncoding::Mjpeg;
    } else if (media == "video/x-h264") {
      encoding = CameraEncoding::H264;
    }
    std::vector<FrameRate> rates;
    if (const GValue* v = gst_structure_get_value(s, "framerate")) addRate(rates, v);
    // Sizes: every width with every height, but the ends of two ranges
    // only with each other.
    const std::vector<int> widths = intValues(s, "width", need.width);
    const std::vector<int> heights = intValues(s, "height", need.height);
    const bool ranges = GST_VALUE_HOLDS_INT_RANGE(gst_structure_get_value(s, "width")) &&
                        GST_VALUE_HOLDS_INT_RANGE(gst_structure_get_value(s, "height"));
    std::vector<std::pair<int, int>> sizes;
    for (std::size_t a = 0; a < widths.size(); ++a)
      for (std::size_t b = 0; b < heights.size(); ++b)
        if (!ranges || a == b) sizes.emplace_back(widths[a], heights[b]);
    for (const std::string& layout : names) {
      for (auto [w, h] : sizes) {
        {
          auto same = std::find_if(modes.begin(), modes.end(), [&](const CameraMode& m) {
            return m.encoding == encoding && m.layout == layout && m.width == w && m.height == h;
          });
          if (same == modes.end()) {
            modes.push_back(CameraMode{encoding, layout, w, h, rates});
          } else {
            for (const FrameRate& r : rates)
              if (std::find(same->rates.begin(), same->rates.end(), r) == same->rates.end())
                same->rates.push_back(r);
          }
        }
      }
    }
  }
  return modes;
}

}  // namespace karone
