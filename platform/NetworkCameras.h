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

// What can be wrong with a camera about to be added.
enum class CameraProblem {
  None,
  NoName,
  LongName,            // over 255 bytes
  ControlCharacter,    // in any field
  UnsupportedAddress,  // neither rtsp(s):// nor http(s)://
  NoHost,
  CredentialsInAddress,
  PasswordWithoutUser,
  NameTaken,  // by another network camera or the test pattern, whatever the case
};
CameraProblem findCameraProblem(const NetworkCamera& camera);
// The same, and the name must be free among `existing`.
CameraProblem findCameraProblem(const NetworkCamera& camera,
                                const std::vector<NetworkCamera>& existing);
// In English, for the command line; empty for None.
std::string describeCameraProblem(CameraProblem problem);
// describeCameraProblem(findCameraProblem(camera)).
std::string checkNetworkCamera(const NetworkCamera& camera);
// Names equal without regard to ASCII case.
bool sameCameraName(const std::string& a, const std::string& b);

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
