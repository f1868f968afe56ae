#pragma once
// A V4L2 device node opened for questions and input switching, next to the
// capture element that streams from it (V4L2 allows several opens). Inputs
// and controls are read and set with the V4L2 ioctls.
//
// Not thread-safe; used from the capture graph's thread. Closes the node on
// destruction.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace karone::v4l2 {

struct Input {
  std::uint32_t index = 0;
  std::uint32_t type = 0;
  std::string name;
};

class V4l2Device {
 public:
  // Opens the node; nullopt (and *error set) when it cannot be opened.
  static std::optional<V4l2Device> open(const std::string& path, std::string* error);
  V4l2Device(V4l2Device&& other) noexcept;
  V4l2Device& operator=(V4l2Device&& other) noexcept;
  V4l2Device(const V4l2Device&) = delete;
  V4l2Device& operator=(const V4l2Device&) = delete;
  ~V4l2Device();

  // Every input in index order; nullopt when the device cannot be asked.
  // A device without inputs gives an empty list.
  std::optional<std::vector<Input>> inputs(std::string* error) const;
  // Selects an input; false with errno's text in *error, *busy set when the
  // driver refuses because it is streaming.
  bool selectInput(std::uint32_t index, std::string* error, bool* busy) const;
  std::optional<std::uint32_t> currentInput() const;
  // The driver's default of a control (V4L2_CID_...), if it has the control.
  std::optional<int> controlDefault(std::uint32_t controlId) const;

 private:
  explicit V4l2Device(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace karone::v4l2
