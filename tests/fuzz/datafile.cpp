// Reads arbitrary bytes as a data file. Whatever the input, reading must end
// without a crash, a hang or an unbounded allocation; and whatever reads
// cleanly must survive being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "schedule/DataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  karone::DataFileReadResult first = karone::DataFile::read(bytes);
  if (first.offset > size) std::abort();
  // Records read before a fault are kept; they must write and read back too.
  std::string written = karone::DataFile::write(first.profiles, first.schedules);
  karone::DataFileReadResult second = karone::DataFile::read(written);
  if (!second.ok() || second.trailingBytes != 0) std::abort();
  if (second.profiles != first.profiles || second.schedules != first.schedules) std::abort();
  if (karone::DataFile::write(second.profiles, second.schedules) != written) std::abort();
  return 0;
}
