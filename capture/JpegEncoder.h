#pragma once
// Compresses one BMP file of the frame pipeline into a JPEG file with the
// IJG 6b interface of libjpeg: RGB input, the library's defaults (YCbCr with
// 2×2 luminance sampling, integer DCT, JFIF 1.01 marker with density unit 0
// and 1 × 1), the given quality without forcing baseline quantisation (low
// qualities give an extended sequential file), Huffman tables optimised per
// image, no progressive or arithmetic coding, warnings not shown.
//
// Every error of the library or of the BMP reader comes back to the caller
// as a value: the library's error manager is replaced by one that jumps back
// into Convert, which destroys the compression object, closes both files,
// removes the partly written JPEG and returns Failed with the message.
//
// Stateless: every call has its own library objects and files, so calls on
// different threads do not interfere. The capture worker thread is the one
// that converts.
#include <string>

namespace karone {

// Values as the conversion has always reported them, plus Failed.
enum class JpegResult : int {
  Ok = 0,
  CannotOpenBmp = -1,     // the BMP cannot be opened for reading
  CannotCreateJpeg = -2,  // the JPEG cannot be created for writing
  Failed = -3,            // the BMP is unusable or the library reported an error
};

struct ConvertResult {
  JpegResult code = JpegResult::Ok;
  std::string message;  // for the log; empty when code is Ok
  bool ok() const { return code == JpegResult::Ok; }
};

class JpegEncoder {
 public:
  // Reads the BMP at bmpPath and writes the JPEG at jpegPath (created or
  // truncated) with quality 1..99 (values outside are taken as 1 or 100 by
  // the library). The BMP is left alone. CannotOpenBmp and
  // CannotCreateJpeg touch no JPEG; after Failed the JPEG that was begun
  // is removed, so no partial file is ever left at jpegPath.
  ConvertResult Convert(const std::string& bmpPath, const std::string& jpegPath,
                        int quality) const;

  // The JPEG that belongs to a BMP: same folder and base name, the BMP's
  // extension (from the last '.' of the file name) replaced by ".jpg".
  static std::string jpegPathFor(const std::string& bmpPath);
};

}  // namespace karone
