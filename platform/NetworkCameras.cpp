#include "platform/NetworkCameras.h"

#include <algorithm>
#include <cctype>

#include "platform/VideoCapture.h"

namespace karone {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

bool hasControl(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

bool startsWith(const std::string& text, const char* prefix) {
  const std::string p(prefix);
  if (text.size() < p.size()) return false;
  return std::equal(p.begin(), p.end(), text.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// The authority of scheme://authority/path, or nullopt without "://".
std::optional<std::pair<std::size_t, std::size_t>> authority(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return std::nullopt;
  const std::size_t begin = scheme + 3;
  std::size_t end = url.find_first_of("/?#", begin);
  if (end == std::string::npos) end = url.size();
  return std::pair{begin, end};
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (true) {
    const std::size_t next = text.find(separator, pos);
    parts.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
    if (next == std::string::npos) return parts;
    pos = next + 1;
  }
}

}  // namespace

CameraUrlKind cameraUrlKind(const std::string& url) {
  if (startsWith(url, "rtsp://") || startsWith(url, "rtsps://")) return CameraUrlKind::Rtsp;
  if (startsWith(url, "http://") || startsWith(url, "https://")) return CameraUrlKind::HttpMjpeg;
  return CameraUrlKind::Unsupported;
}

CameraProblem findCameraProblem(const NetworkCamera& camera) {
  if (camera.name.empty()) return CameraProblem::NoName;
  if (camera.name.size() > kMaxNameBytes) return CameraProblem::LongName;
  if (hasControl(camera.name) || hasControl(camera.url) || hasControl(camera.user) ||
      hasControl(camera.password))
    return CameraProblem::ControlCharacter;
  if (cameraUrlKind(camera.url) == CameraUrlKind::Unsupported) return CameraProblem::UnsupportedAddress;
  const auto host = authority(camera.url);
  if (!host || host->first == host->second) return CameraProblem::NoHost;
  if (camera.url.substr(host->first, host->second - host->first).find('@') != std::string::npos)
    return CameraProblem::CredentialsInAddress;
  if (camera.user.empty() && !camera.password.empty()) return CameraProblem::PasswordWithoutUser;
  return CameraProblem::None;
}

CameraProblem findCameraProblem(const NetworkCamera& camera,
                                const std::vector<NetworkCamera>& existing) {
  const CameraProblem problem = findCameraProblem(camera);
  if (problem != CameraProblem::None) return problem;
  if (sameCameraName(camera.name, kTestPatternDeviceName)) return CameraProblem::NameTaken;
  for (const NetworkCamera& other : existing)
    if (sameCameraName(other.name, camera.name)) return CameraProblem::NameTaken;
  return CameraProblem::None;
}

std::string describeCameraProblem(CameraProblem problem) {
  switch (problem) {
    case CameraProblem::None: return {};
    case CameraProblem::NoName: return "the camera needs a name";
    case CameraProblem::LongName: return "the name is longer than 255 bytes";
    case CameraProblem::ControlCharacter:
      return "names, addresses, users and passwords cannot hold control characters";
    case CameraProblem::UnsupportedAddress:
      return "the address must start with rtsp://, rtsps://, http:// or https://";
    case CameraProblem::NoHost: return "the address names no host";
    case CameraProblem::CredentialsInAddress:
      return "put the user and password in their own fields, not in the address";
    case CameraProblem::PasswordWithoutUser: return "a password needs a user";
    case CameraProblem::NameTaken: return "a capture device of that name already exists";
  }
  return {};
}

std::string checkNetworkCamera(const NetworkCamera& camera) {
  return describeCameraProblem(findCameraProblem(camera));
}

bool sameCameraName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string displayUrl(const std::string& url) {
  const auto host = authority(url);
  if (!host) return url;
  const std::size_t at = url.rfind('@', host->second - 1);
  if (at == std::string::npos || at < host->first) return url;
  return url.substr(0, host->first) + url.substr(at + 1);
}

std::vector<NetworkCamera> parseNetworkCameras(const std::string& value) {
  std::vector<NetworkCamera> cameras;
  for (const std::string& line : split(value, '\n')) {
    if (line.empty()) continue;
    std::vector<std::string> f = split(line, '\t');
    f.resize(std::max<std::size_t>(f.size(), 4));
    NetworkCamera camera{f[0], f[1], f[2], f[3]};
    if (!camera.name.empty()) cameras.push_back(std::move(camera));
  }
  return cameras;
}

std::string serialiseNetworkCameras(const std::vector<NetworkCamera>& cameras) {
  std::string value;
  for (const NetworkCamera& c : cameras) {
    value += c.name + '\t' + c.url + '\t' + c.user + '\t' + c.password + '\n';
  }
  return value;
}

std::vector<NetworkCamera> loadNetworkCameras(SettingsStorage& storage) {
  if (!storage.openKey()) return {};
  const std::optional<std::string> value = storage.readValue(kNetworkCamerasKey);
  storage.closeKey();
  return value ? parseNetworkCameras(*value) : std::vector<NetworkCamera>{};
}

bool saveNetworkCameras(SettingsStorage& storage, const std::vector<NetworkCamera>& cameras) {
  if (!storage.createKey() || !storage.openKey()) return false;
  const bool written = storage.writeValue(kNetworkCamerasKey, serialiseNetworkCameras(cameras));
  return storage.closeKey() && written;
}

}  // namespace karone
