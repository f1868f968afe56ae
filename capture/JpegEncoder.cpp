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

// Reads a whole open file.
bool readAll(std::FILE* file, std::string& bytes, std::string& error) {
  struct stat st {};
  if (::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode)) {
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  }
  char chunk[65536];
  for (;;) {
    std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
    bytes.append(chunk, n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(file)) {
    error = std::string("cannot read the BMP: ") + std::strerror(errno);
    return false;
  }
  return true;
}

// Turns `count` picture rows, the first being `topRow` counted from the top,
// from blue-green-red into red-green-blue rows of the batch buffer.
void convertRows(const Picture& picture, int topRow, int count, std::uint8_t* out,
                 std::size_t outStride) {
  const int width = picture.width();
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* in = picture.topRow(topRow + i);
    std::uint8_t* o = out + i * outStride;
    for (int x = 0; x < width; ++x, in += 3, o += 3) {
      o[0] = in[2];
      o[1] = in[1];
      o[2] = in[0];
    }
  }
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
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jumpBack;
  err.pub.output_message = dropMessage;
  err.message[0] = '\0';

  auto libraryFailure = [&] {
    jpeg_destroy_compress(&cinfo);
    return ConvertResult{JpegResult::Failed, err.message};
  };

  if (!guarded(err, [&] {
        jpeg_create_compress(&cinfo);
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        err.pub.trace_level = 0;
        cinfo.optimize_coding = TRUE;
        jpeg_set_quality(&cinfo, quality, FALSE);
      })) {
    return libraryFailure();
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
  // From here on every failure removes the JPEG again.
  auto fail = [&](ConvertResult result) {
    if (files.jpeg) std::fclose(files.jpeg);
    files.jpeg = nullptr;
    ::unlink(jpegPath.c_str());
    return result;
  };

  std::string bmpBytes;
  std::string readError;
  if (!readAll(files.bmp, bmpBytes, readError)) {
    jpeg_destroy_compress(&cinfo);
    return fail({JpegResult::Failed, readError + " (" + bmpPath + ")"});
  }
  BmpDecodeResult bmp = decodeBmp(bmpBytes);
  bmpBytes = std::string();
  if (!bmp.ok()) {
    jpeg_destroy_compress(&cinfo);
    return fail({JpegResult::Failed, bmp.error + " (" + bmpPath + ")"});
  }
  const Picture& picture = bmp.picture;

  const std::size_t batchStride = 3 * static_cast<std::size_t>(picture.width());
  std::vector<std::uint8_t> batch(batchStride * kRowsPerBatch);
  std::uint8_t* batchData = batch.data();

  if (!guarded(err, [&] {
        cinfo.image_width = static_cast<JDIMENSION>(picture.width());
        cinfo.image_height = static_cast<JDIMENSION>(picture.height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        cinfo.data_precision = 8;
        jpeg_default_colorspace(&cinfo);
        jpeg_stdio_dest(&cinfo, files.jpeg);
        jpeg_start_compress(&cinfo, TRUE);
        JSAMPROW rows[kRowsPerBatch];
        for (int i = 0; i < kRowsPerBatch; ++i) rows[i] = batchData + i * batchStride;
        while (cinfo.next_scanline < cinfo.image_height) {
          const int top = static_cast<int>(cinfo.next_scanline);
          const int count = std::min(kRowsPerBatch, picture.height() - top);
          convertRows(picture, top, count, batchData, batchStride);
          jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
        }
        jpeg_finish_compress(&cinfo);
      })) {
    std::string message = err.message;
    jpeg_destroy_compress(&cinfo);
    return fail({JpegResult::Failed, message + " (" + jpegPath + ")"});
  }
  jpeg_destroy_compress(&cinfo);
  if (!files.closeJpeg()) {
    return fail({JpegResult::Failed, "cannot write " + jpegPath + ": " + std::strerror(errno)});
  }
  return {};
}

}  // namespace karone
