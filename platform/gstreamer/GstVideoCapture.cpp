#include "platform/gstreamer/GstVideoCapture.h"

#include <gst/gst.h>


#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/GstVideoDevice.h"
#include "platform/gstreamer/V4l2Device.h"

namespace karone {

GstVideoCapture::GstVideoCapture(GstCaptureOptions options) : options_(options) {}

GstVideoCapture::~GstVideoCapture() = default;

std::optional<std::vector<std::string>> GstVideoCapture::listDevices() {
  if (!ensureGstreamer()) return std::nullopt;
  std::vector<Listed> listed;
  listed.push_back(Listed{kTestPatternDeviceName, {}});
  if (options_.listCameras) {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor)) {
      GList* devices = gst_device_monitor_get_devices(monitor);
      for (GList* item = devices; item != nullptr; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        GstStructure* props = gst_device_get_properties(device);
        const gchar* api = props ? gst_structure_get_string(props, "device.api") : nullptr;
        const gchar* path = props ? gst_structure_get_string(props, "device.path") : nullptr;
        if (api != nullptr && path != nullptr && g_strcmp0(api, "v4l2") == 0) {
          gchar* name = gst_device_get_display_name(device);
          listed.push_back(Listed{name != nullptr ? name : path, path});
          g_free(name);
        }
        if (props != nullptr) gst_structure_free(props);
      }
      g_list_free_full(devices, gst_object_unref);
      gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
  }
  listed_ = std::move(listed);
  std::vector<std::string> names;
  for (const auto& l : listed_) names.push_back(l.name);
  return names;
}

std::unique_ptr<VideoDevice> GstVideoCapture::openDevice(int position) {
  if (!ensureGstreamer() || position < 0 || position >= static_cast<int>(listed_.size())) {
    return nullptr;
  }
  const Listed& entry = listed_[static_cast<std::size_t>(position)];
  GstSource source{entry.path, options_.testPattern, options_.startTimeout};
  if (entry.path.empty()) {
    GstElementFactory* factory = gst_element_factory_find("videotestsrc");
    if (factory == nullptr) return nullptr;
    gst_object_unref(factory);
  } else if (!v4l2::V4l2Device::open(entry.path, nullptr)) {
    return nullptr;  // unplugged or not ours to open
  }
  return std::make_unique<GstVideoDevice>(std::move(source));
}

}  // namespace karone
