// Fuzzes the BMP reader that feeds the JPEG encoder: no input may crash it,
// read outside the input or allocate more than the picture it holds, every
// refusal carries a message, and what it accepts survives being written
// back and read again unchanged. Judging a file by its headers and size
// alone, as the JPEG encoder does, agrees with reading it whole.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "capture/BmpFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace karone;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const BmpDecodeResult result = decodeBmp(file);
  // The encoder judges a file by its first kBmpMaxHeaderBytes and its size
  // alone, and must come to the same verdict.
  const BmpHeaderResult header = parseBmpHeader(file.substr(0, kBmpMaxHeaderBytes), size);
  if (header.ok() != result.ok()) __builtin_trap();
  if (!result.ok()) {
    if (!result.picture.empty()) __builtin_trap();
    return 0;
  }
  if (result.picture.empty()) __builtin_trap();
  const BmpDecodeResult again = decodeBmp(encodeBmp(result.picture));
  if (!again.ok() || !(again.picture == result.picture)) __builtin_trap();
  return 0;
}
