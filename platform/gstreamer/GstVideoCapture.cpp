#include "platform/gstreamer/GstVideoCapture.h"

#include <gst/gst.h>


#include "platform/SettingsStorage.h"
#include "platform/gstreamer/GstCameraModes.h"
#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/GstVideoDevice.h"
#include "platform/gstreamer/V4l2Device.h"

namespace karone {

GstVideoCapture::GstVideoCapture(GstCaptureOptions options) : options_(options) {}

GstVideoCapture::~GstVideoCapture() = default;

std::optional<std::vector<std::string>> GstVideoCapture::listDevices() {
  if (!ensureGstreamer()) return std::nullopt;
  std::vector<Listed> listed;
  listed.push_back(Listed{kTestPatternDeviceName});
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
          GstCaps* caps = gst_device_get_caps(device);
          listed.push_back(Listed{name != nullptr ? name : path, ListedFormats::Kind::V4l2, path,
                                  cameraModesFromCaps(caps, options_.need)});
          if (caps != nullptr) gst_caps_unref(caps);
          g_free(name);
        }
        if (props != nullptr) gst_structure_free(props);
      }
      g_list_free_full(devices, gst_object_unref);
      gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
  }
  std::vector<NetworkCamera> network;
  if (options_.networkCameras) {
    network = *options_.networkCameras;
  } else if (options_.listCameras) {
    FileSettingsStorage storage;
    network = loadNetworkCameras(storage);
  }
  for (NetworkCamera& camera : network) {
    std::string name = camera.name;
    listed.push_back(Listed{std::move(name), ListedFormats::Kind::Network, {}, {}, std::move(camera)});
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
  GstSource source;
  source.testPattern = options_.testPattern;
  source.need = options_.need;
  source.startTimeout = options_.startTimeout;
  source.dropToNeed = options_.dropToNeed;
  switch (entry.kind) {
    case ListedFormats::Kind::TestPattern: {
      GstElementFactory* factory = gst_element_factory_find("videotestsrc");
      if (factory == nullptr) return nullptr;
      gst_object_unref(factory);
      break;
    }
    case ListedFormats::Kind::V4l2:
      if (!v4l2::V4l2Device::open(entry.path, nullptr)) return nullptr;  // unplugged or not ours
      source.kind = GstSource::Kind::V4l2;
      source.devicePath = entry.path;
      source.modes = entry.modes;
      break;
    case ListedFormats::Kind::Network:
      source.kind = GstSource::Kind::Network;
      source.network = entry.network;
      break;
  }
  return std::make_unique<GstVideoDevice>(std::move(source));
}

std::optional<ListedFormats> GstVideoCapture::formats(int position) const {
  if (position < 0 || position >= static_cast<int>(listed_.size())) return std::nullopt;
  const Listed& entry = listed_[static_cast<std::size_t>(position)];
  ListedFormats out;
  out.kind = entry.kind;
  out.modes = entry.modes;
  if (entry.kind == ListedFormats::Kind::V4l2) out.chosen = chooseCameraFormat(entry.modes, options_.need);
  if (entry.kind == ListedFormats::Kind::Network) out.url = displayUrl(entry.network.url);
  return out;
}

}  // namespace karone
