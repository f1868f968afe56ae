#pragma once
// Network cameras: capture devices reached by URL (an RTSP stream, or
// multipart MJPEG over HTTP), each under a name the operator gives it, with
// an optional user and password.
//
// They are kept in the settings file as one value, kNetworkCamerasKey: one
// line per camera, its name, URL, user and password separated by tabs. No
// field may hold a control character, so the value always reads back as it
// was written. The password is only ever handed to the camera: never put it
// in a text that is printed or logged (displayUrl drops any credentials a
// URL carries).
//
// Plain values and functions; no threads of their own.
#include <optional>
#include <string>
#include <vector>

#include "platform/SettingsStorage.h"

namespace karone {

inline constexpr char kNetworkCamerasKey[] = "karoneNetworkCameras";

struct NetworkCamera {
  std::string name;
  std::string url;
  std::string user;
  std::string password;
  bool operator==(const NetworkCamera&) const = default;
};

enum class CameraUrlKind { Rtsp, HttpMjpeg, Unsupported };
CameraUrlKind cameraUrlKind(const std::string& url);

// What is wrong with a camera about to be added (empty when nothing is):
// an empty or over-long name, control characters, a URL that is neither
// rtsp:// nor http(s):// or that carries a user or password of its own, a
// password without a user.
std::string checkNetworkCamera(const NetworkCamera& camera);

// The URL without any "user:password@" part.
std::string displayUrl(const std::string& url);

std::vector<NetworkCamera> parseNetworkCameras(const std::string& value);
std::string serialiseNetworkCameras(const std::vector<NetworkCamera>& cameras);

// The cameras of the settings file (none when it cannot be read), and the
// list written back with the file's other values kept. storage is opened
// and closed here.
std::vector<NetworkCamera> loadNetworkCameras(SettingsStorage& storage);
bool saveNetworkCameras(SettingsStorage& storage, const std::vector<NetworkCamera>& cameras);

}  // namespace karone
