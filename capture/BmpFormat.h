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
#include <array>
#include <cstdint>
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

// What the headers of a BMP file say: the picture's size and where and how
// its pixels are stored. Only produced for files the reader accepts.
struct BmpLayout {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;          // 8 or 24
  std::uint64_t pixelOffset = 0; // stored row i (0 = bottom) starts at
  std::size_t rowBytes = 0;      // pixelOffset + i * rowBytes
  std::array<std::uint8_t, 256 * 3> palette{};  // blue-green-red; unused entries black

  // One stored row (rowBytes bytes) as width pixels of blue-green-red or of
  // red-green-blue.
  void toBgr(const std::uint8_t* storedRow, std::uint8_t* out) const;
  void toRgb(const std::uint8_t* storedRow, std::uint8_t* out) const;
};

// Bytes from the start of a file that hold every header the reader accepts.
constexpr std::size_t kBmpMaxHeaderBytes = 14 + 64 + 256 * 4;

struct BmpHeaderResult {
  BmpLayout layout;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Checks the headers at the start of a file of fileSize bytes (head holds
// its first min(fileSize, kBmpMaxHeaderBytes) bytes or more), including that
// the whole pixel area lies within the file.
BmpHeaderResult parseBmpHeader(std::string_view head, std::uint64_t fileSize);

struct BmpDecodeResult {
  Picture picture;    // 24-bit; 8-bit files are expanded through their colour table
  std::string error;  // empty on success, else what is wrong with the file
  bool ok() const { return error.empty(); }
};

BmpDecodeResult decodeBmp(std::string_view file);

}  // namespace karone
