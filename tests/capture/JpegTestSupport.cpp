#include "tests/capture/JpegTestSupport.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <jpeglib.h>

namespace karone::testing {
namespace {

struct Errors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<Errors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

}  // namespace

DecodedJpeg decodeJpeg(const std::string& bytes) {
  DecodedJpeg out;
  static jpeg_decompress_struct cinfo;  // outside the frame the error jumps into
  Errors err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  if (setjmp(err.jump)) {
    out.error = err.message;
    jpeg_destroy_decompress(&cinfo);
    out.ok = false;
    return out;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  out.jfif = cinfo.saw_JFIF_marker;
  out.jfifMajor = cinfo.JFIF_major_version;
  out.jfifMinor = cinfo.JFIF_minor_version;
  out.densityUnit = cinfo.density_unit;
  out.xDensity = cinfo.X_density;
  out.yDensity = cinfo.Y_density;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out.ok = true;
  return out;
}

std::string referenceJpeg(const Picture& picture, int quality, bool optimize) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.optimize_coding = optimize ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, quality, FALSE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width()) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* in = picture.topRow(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < picture.width(); ++x) {
      row[3 * x] = in[3 * x + 2];
      row[3 * x + 1] = in[3 * x + 1];
      row[3 * x + 2] = in[3 * x];
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

std::vector<int> markersOf(const std::string& jpeg) {
  std::vector<int> markers;
  std::size_t i = 2;  // after SOI
  while (i + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[i]) == 0xFF) {
    const int marker = static_cast<std::uint8_t>(jpeg[i + 1]);
    markers.push_back(marker);
    if (marker == 0xDA) break;
    const std::size_t length =
        static_cast<std::uint8_t>(jpeg[i + 2]) << 8 | static_cast<std::uint8_t>(jpeg[i + 3]);
    i += 2 + length;
  }
  return markers;
}

Picture cameraLike(int width, int height, unsigned seed) {
  Picture p(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.topRow(y);
    for (int x = 0; x < width; ++x) {
      const bool object = (x / 37 + y / 29) % 3 == 0;  // blocks with hard edges
      int b = 60 + (x * 120) / width + (object ? 70 : 0);
      int g = 90 + (y * 100) / height + ((x / 11) % 2) * 20;
      int r = 140 - (x * 60) / width + (y * 50) / height;
      auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[3 * x] = clamp(b + noise(random));
      row[3 * x + 1] = clamp(g + noise(random));
      row[3 * x + 2] = clamp(r + noise(random));
    }
  }
  return p;
}

}  // namespace karone::testing
