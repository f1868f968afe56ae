#include "platform/gstreamer/V4l2Device.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace karone::v4l2 {
namespace {

int xioctl(int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = ::ioctl(fd, request, arg);
  } while (r == -1 && errno == EINTR);
  return r;
}

}  // namespace

std::optional<V4l2Device> V4l2Device::open(const std::string& path, std::string* error) {
  int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return V4l2Device(fd);
}

V4l2Device::V4l2Device(V4l2Device&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

V4l2Device& V4l2Device::operator=(V4l2Device&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

V4l2Device::~V4l2Device() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::vector<Input>> V4l2Device::inputs(std::string* error) const {
  std::vector<Input> result;
  for (std::uint32_t i = 0;; ++i) {
    v4l2_input input{};
    input.index = i;
    if (xioctl(fd_, VIDIOC_ENUMINPUT, &input) == -1) {
      if (errno == EINVAL) break;  // past the last input
      if (errno == ENOTTY && i == 0) break;  // the device has no input selection
      if (error) *error = std::string("VIDIOC_ENUMINPUT: ") + std::strerror(errno);
      return std::nullopt;
    }
    const char* name = reinterpret_cast<const char*>(input.name);
    result.push_back(Input{input.index, input.type, std::string(name, strnlen(name, sizeof input.name))});
  }
  return result;
}

bool V4l2Device::selectInput(std::uint32_t index, std::string* error, bool* busy) const {
  int value = static_cast<int>(index);
  if (xioctl(fd_, VIDIOC_S_INPUT, &value) == -1) {
    if (busy) *busy = (errno == EBUSY);
    if (error) *error = std::string("VIDIOC_S_INPUT: ") + std::strerror(errno);
    return false;
  }
  if (busy) *busy = false;
  return true;
}

std::optional<std::uint32_t> V4l2Device::currentInput() const {
  int value = 0;
  if (xioctl(fd_, VIDIOC_G_INPUT, &value) == -1) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<int> V4l2Device::controlDefault(std::uint32_t controlId) const {
  v4l2_queryctrl query{};
  query.id = controlId;
  if (xioctl(fd_, VIDIOC_QUERYCTRL, &query) == -1) return std::nullopt;
  if (query.flags & V4L2_CTRL_FLAG_DISABLED) return std::nullopt;
  return query.default_value;
}

}  // namespace karone::v4l2
