#include "capture/JpegEncoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "capture/BmpFormat.h"

namespace karone {
namespace {

// Rows handed to the library per call; 16 is one MCU row at 2×2 sampling.
constexpr int kRowsPerBatch = 16;

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer converts to ours
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void dropMessage(j_common_ptr) {}  // warnings and traces are not shown

// Runs a sequence of library calls; false when the library raised an error
// (the message is then in err.message). The calls must not own objects with
// destructors: the error jumps over them.
template <typename Calls>
bool guarded(ErrorManager& err, const Calls& calls) {
  if (setjmp(err.jump) != 0) return false;
  calls();
  return true;
}

// Reads exactly `size` bytes at `offset`; false with errno set (0 for a
// file that ends too early) otherwise.
bool readAt(int fd, std::uint8_t* out, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = 0;
      return false;
    }
    out += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

std::string readError(const std::string& path, int error) {
  return "cannot read " + path + ": " + (error == 0 ? "the file ends early" : std::strerror(error));
}

class Files {
 public:
  ~Files() {
    if (bmp) std::fclose(bmp);
    if (jpeg) std::fclose(jpeg);
  }
  // Closes the JPEG; false (errno set) when buffered data could not be written.
  bool closeJpeg() {
    std::FILE* f = jpeg;
    jpeg = nullptr;
    return std::fclose(f) == 0;
  }
  std::FILE* bmp = nullptr;
  std::FILE* jpeg = nullptr;
};

// Sets the library up with an error manager that jumps back here, RGB
// input, its defaults, optimised Huffman tables and the quality; false when
// the library raised an error (the message is then in err.message).
bool setUpCompressor(jpeg_compress_struct& cinfo, ErrorManager& err, int quality) {
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jumpBack;
  err.pub.output_message = dropMessage;
  err.message[0] = '\0';
  return guarded(err, [&] {
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    err.pub.trace_level = 0;
    cinfo.optimize_coding = TRUE;
    jpeg_set_quality(&cinfo, quality, FALSE);
  });
}

// Compresses the pixel area of the BMP open as fd into the JPEG file: read
// in batches of rows from the top of the picture (the end of the file)
// down, each row turned into red-green-blue on the way. False when the
// library raised an error; readErrno is set (>= 0) when a read failed
// part-way, and the compression is then left unfinished.
bool compressPixels(jpeg_compress_struct& cinfo, ErrorManager& err, int fd, const BmpLayout& bmp,
                    std::FILE* jpeg, int& readErrno) {
  std::vector<std::uint8_t> stored(bmp.rowBytes * kRowsPerBatch);
  const std::size_t rgbStride = 3 * static_cast<std::size_t>(bmp.width);
  std::vector<std::uint8_t> rgb(rgbStride * kRowsPerBatch);
  std::uint8_t* storedData = stored.data();
  std::uint8_t* rgbData = rgb.data();
  return guarded(err, [&] {
    cinfo.image_width = static_cast<JDIMENSION>(bmp.width);
    cinfo.image_height = static_cast<JDIMENSION>(bmp.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    cinfo.data_precision = 8;
    jpeg_default_colorspace(&cinfo);
    jpeg_stdio_dest(&cinfo, jpeg);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[kRowsPerBatch];
    for (int i = 0; i < kRowsPerBatch; ++i) rows[i] = rgbData + i * rgbStride;
    while (cinfo.next_scanline < cinfo.image_height) {
      const int top = static_cast<int>(cinfo.next_scanline);
      const int count = std::min(kRowsPerBatch, bmp.height - top);
      // Stored rows height-top-count .. height-1-top, bottom-most first.
      const auto first = static_cast<std::uint64_t>(bmp.height - top - count);
      if (!readAt(fd, storedData, bmp.rowBytes * static_cast<std::size_t>(count),
                  bmp.pixelOffset + first * bmp.rowBytes)) {
        readErrno = errno;
        return;
      }
      for (int i = 0; i < count; ++i) {
        bmp.toRgb(storedData + static_cast<std::size_t>(count - 1 - i) * bmp.rowBytes,
                  rgbData + i * rgbStride);
      }
      jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&cinfo);
  });
}

}  // namespace

std::string JpegEncoder::jpegPathFor(const std::string& bmpPath) {
  const std::size_t slash = bmpPath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = bmpPath.rfind('.');
  const std::size_t stemEnd = dot == std::string::npos || dot < nameStart ? bmpPath.size() : dot;
  return bmpPath.substr(0, stemEnd) + ".jpg";
}

ConvertResult JpegEncoder::Convert(const std::string& bmpPath, const std::string& jpegPath,
                                   int quality) const {
  ErrorManager err;
  jpeg_compress_struct cinfo;
  if (!setUpCompressor(cinfo, err, quality)) {
    jpeg_destroy_compress(&cinfo);
    return {JpegResult::Failed, err.message};
  }

  Files files;
  files.bmp = std::fopen(bmpPath.c_str(), "rbe");
  if (files.bmp == nullptr) {
    jpeg_destroy_compress(&cinfo);
    return {JpegResult::CannotOpenBmp, "cannot open " + bmpPath + ": " + std::strerror(errno)};
  }
  files.jpeg = std::fopen(jpegPath.c_str(), "wbe");
  if (files.jpeg == nullptr) {
    jpeg_destroy_compress(&cinfo);
    return {JpegResult::CannotCreateJpeg,
            "cannot create " + jpegPath + ": " + std::strerror(errno)};
  }
  // From here on every failure destroys the compression object and removes
  // the JPEG again.
  auto fail = [&](ConvertResult result) {
    jpeg_destroy_compress(&cinfo);
    if (files.jpeg) std::fclose(files.jpeg);
    files.jpeg = nullptr;
    ::unlink(jpegPath.c_str());
    return result;
  };

  // The headers first, then the pixel area.
  const int fd = ::fileno(files.bmp);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    return fail({JpegResult::Failed, bmpPath + " is not a regular file"});
  }
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  std::string head(std::min<std::uint64_t>(fileSize, kBmpMaxHeaderBytes), '\0');
  if (!readAt(fd, reinterpret_cast<std::uint8_t*>(head.data()), head.size(), 0)) {
    return fail({JpegResult::Failed, readError(bmpPath, errno)});
  }
  const BmpHeaderResult header = parseBmpHeader(head, fileSize);
  if (!header.ok()) return fail({JpegResult::Failed, header.error + " (" + bmpPath + ")"});

  int readErrno = -1;
  if (!compressPixels(cinfo, err, fd, header.layout, files.jpeg, readErrno)) {
    return fail({JpegResult::Failed, std::string(err.message) + " (" + jpegPath + ")"});
  }
  if (readErrno >= 0) return fail({JpegResult::Failed, readError(bmpPath, readErrno)});
  jpeg_destroy_compress(&cinfo);
  if (!files.closeJpeg()) {
    const int error = errno;
    ::unlink(jpegPath.c_str());
    return {JpegResult::Failed, "cannot write " + jpegPath + ": " + std::strerror(error)};
  }
  return {};
}

}  // namespace karone
