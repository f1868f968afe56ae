// Fuzzes the BMP reader that feeds the JPEG encoder: no input may crash it,
// read outside the input or allocate more than the picture it holds, every
// refusal carries a message, and what it accepts survives being written
// back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "capture/BmpFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace karone;
  const BmpDecodeResult result =
      decodeBmp(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!result.ok()) {
    if (!result.picture.empty()) __builtin_trap();
    return 0;
  }
  if (result.picture.empty()) __builtin_trap();
  const BmpDecodeResult again = decodeBmp(encodeBmp(result.picture));
  if (!again.ok() || !(again.picture == result.picture)) __builtin_trap();
  return 0;
}
