#pragma once
// The BMP files of the frame pipeline: writing a Picture as a 24-bit,
// uncompressed, bottom-up BMP with the 54-byte header (14-byte file header,
// 40-byte info header, no colour table), and reading BMP files for the JPEG
// encoder.
//
// The reader takes the file headers the encoder has always accepted: info
// headers of 12, 40 or 64 bytes, one plane, no compression, 8 bits per pixel
// with a colour table or 24 bits per pixel, rows bottom-up and padded to 4
// bytes. Anything else, and any file whose pixel area is not all there, is
// refused with a message; nothing is read outside the given bytes and no
// allocation is larger than the picture the file really holds.
//
// Free functions without shared state; thread-safe.
#include <string>
#include <string_view>

#include "capture/Picture.h"
#include "platform/AtomicFile.h"

namespace karone {

constexpr std::size_t kBmpHeaderSize = 54;

// The whole file: header followed by the picture's pixel area (empty string
// for the empty picture).
std::string encodeBmp(const Picture& picture);

// Writes the file (created or truncated); a file that could not be written
// completely is removed again and the error says why.
FileResult writeBmp(const std::string& path, const Picture& picture);

struct BmpDecodeResult {
  Picture picture;    // 24-bit; 8-bit files are expanded through their colour table
  std::string error;  // empty on success, else what is wrong with the file
  bool ok() const { return error.empty(); }
};

BmpDecodeResult decodeBmp(std::string_view file);

}  // namespace karone
