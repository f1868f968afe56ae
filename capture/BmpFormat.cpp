#include "capture/BmpFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace karone {
namespace {

void put16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::size_t at, std::uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

std::uint32_t get16(std::string_view in, std::size_t at) {
  return static_cast<std::uint8_t>(in[at]) | static_cast<std::uint8_t>(in[at + 1]) << 8;
}

std::uint32_t get32(std::string_view in, std::size_t at) {
  return get16(in, at) | get16(in, at + 2) << 16;
}

}  // namespace

std::string encodeBmp(const Picture& picture) {
  if (picture.empty()) return {};
  const std::size_t pixelBytes = picture.bytes().size();
  std::string out(kBmpHeaderSize, '\0');
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(pixelBytes + kBmpHeaderSize));
  put32(out, 10, kBmpHeaderSize);
  put32(out, 14, 40);
  put32(out, 18, static_cast<std::uint32_t>(picture.width()));
  put32(out, 22, static_cast<std::uint32_t>(picture.height()));
  put16(out, 26, 1);
  put16(out, 28, 24);
  // Compression, image size, resolutions and colour counts stay 0.
  out.append(reinterpret_cast<const char*>(picture.bytes().data()), pixelBytes);
  return out;
}

FileResult writeBmp(const std::string& path, const Picture& picture) {
  if (picture.empty()) return {false, "cannot write an empty picture to " + path};
  const std::string bytes = encodeBmp(picture);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return {false, "cannot create " + path + ": " + std::strerror(errno)};
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  int error = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());
    return {false, "cannot write " + path + ": " + std::strerror(error)};
  }
  return {};
}

BmpHeaderResult parseBmpHeader(std::string_view file, std::uint64_t fileSize) {
  auto refuse = [](std::string why) { return BmpHeaderResult{BmpLayout(), std::move(why)}; };
  if (file.size() > fileSize) file = file.substr(0, fileSize);
  if (file.size() < 18 || file[0] != 'B' || file[1] != 'M') return refuse("not a BMP file");
  const std::uint32_t pixelOffset = get32(file, 10);
  const std::uint32_t infoSize = get32(file, 14);
  if (infoSize != 12 && infoSize != 40 && infoSize != 64) {
    return refuse("unsupported BMP info header of " + std::to_string(infoSize) + " bytes");
  }
  if (file.size() < 14 + infoSize) return refuse("BMP file is truncated in its header");

  std::int64_t width, height;
  std::uint32_t planes, bits, compression = 0, coloursUsed = 0;
  std::size_t paletteEntrySize;
  if (infoSize == 12) {
    width = get16(file, 18);
    height = get16(file, 20);
    planes = get16(file, 22);
    bits = get16(file, 24);
    paletteEntrySize = 3;
  } else {
    width = static_cast<std::int32_t>(get32(file, 18));
    height = static_cast<std::int32_t>(get32(file, 22));
    planes = get16(file, 26);
    bits = get16(file, 28);
    compression = get32(file, 30);
    coloursUsed = get32(file, 46);
    paletteEntrySize = 4;
  }
  if (planes != 1) return refuse("BMP with " + std::to_string(planes) + " planes");
  if (compression != 0) return refuse("compressed BMP (method " + std::to_string(compression) + ")");
  if (bits != 8 && bits != 24) {
    return refuse("unsupported BMP depth of " + std::to_string(bits) + " bits per pixel");
  }
  if (width < 1 || height < 1) {
    return refuse("unsupported BMP size " + std::to_string(width) + " x " + std::to_string(height));
  }
  if (width > Picture::kMaxDimension || height > Picture::kMaxDimension) {
    return refuse("BMP size " + std::to_string(width) + " x " + std::to_string(height) +
                  " is too large");
  }

  BmpLayout layout;
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);
  layout.bitsPerPixel = static_cast<int>(bits);
  std::size_t paletteBytes = 0;
  if (bits == 8) {
    const std::size_t entries = coloursUsed == 0 ? 256 : coloursUsed;
    if (entries > 256) return refuse("BMP colour table of " + std::to_string(entries) + " entries");
    paletteBytes = entries * paletteEntrySize;
    const std::size_t start = 14 + infoSize;
    if (file.size() < start + paletteBytes) return refuse("BMP file is truncated in its colour table");
    for (std::size_t i = 0; i < entries; ++i) {
      std::memcpy(&layout.palette[i * 3], file.data() + start + i * paletteEntrySize, 3);
    }
  }
  if (pixelOffset < 14 + infoSize + paletteBytes) return refuse("BMP pixel data overlaps its header");

  layout.pixelOffset = pixelOffset;
  layout.rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(layout.rowBytes) * height;
  if (pixelOffset > fileSize || fileSize - pixelOffset < pixelBytes) {
    return refuse("BMP file is truncated in its pixel data");
  }
  return {layout, {}};
}

void BmpLayout::toBgr(const std::uint8_t* in, std::uint8_t* out) const {
  if (bitsPerPixel == 24) {
    std::memcpy(out, in, 3 * static_cast<std::size_t>(width));
    return;
  }
  for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, &palette[in[x] * 3], 3);
}

namespace {

void swapRedBlue(const std::uint8_t* in, std::uint8_t* out, int pixels) {
  for (int x = 0; x < pixels; ++x, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// Five pixels per 16-byte shuffle. Reads and writes stay within the 3 ×
// pixels bytes: the last pixels go through the plain loop.
__attribute__((target("ssse3"))) void swapRedBlueSsse3(const std::uint8_t* in,
                                                        std::uint8_t* out, int pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  int x = 0;
  for (; x + 6 <= pixels; x += 5, in += 15, out += 15) {  // 16 bytes read and written
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, order));
  }
  swapRedBlue(in, out, pixels - x);
}

bool haveSsse3() {
  static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
  return have;
}
#endif

}  // namespace

void BmpLayout::toRgb(const std::uint8_t* in, std::uint8_t* out) const {
  if (bitsPerPixel == 24) {
#if defined(__x86_64__) || defined(__i386__)
    if (haveSsse3()) return swapRedBlueSsse3(in, out, width);
#endif
    return swapRedBlue(in, out, width);
  }
  for (int x = 0; x < width; ++x, out += 3) {
    const std::uint8_t* bgr = &palette[in[x] * 3];
    out[0] = bgr[2];
    out[1] = bgr[1];
    out[2] = bgr[0];
  }
}

BmpDecodeResult decodeBmp(std::string_view file) {
  BmpHeaderResult header = parseBmpHeader(file, file.size());
  if (!header.ok()) return {Picture(), std::move(header.error)};
  const BmpLayout& layout = header.layout;
  Picture picture(layout.width, layout.height);
  const auto* pixels = reinterpret_cast<const std::uint8_t*>(file.data() + layout.pixelOffset);
  for (int y = 0; y < layout.height; ++y) {
    layout.toBgr(pixels + static_cast<std::size_t>(y) * layout.rowBytes, picture.row(y));
  }
  return {std::move(picture), {}};
}

}  // namespace karone
