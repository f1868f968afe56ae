#include "capture/BmpFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

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

BmpDecodeResult refuse(std::string why) { return {Picture(), std::move(why)}; }

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

BmpDecodeResult decodeBmp(std::string_view file) {
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

  // Colour table of an 8-bit file; indices past its end give black.
  std::array<std::uint8_t, 256 * 3> palette{};
  std::size_t paletteBytes = 0;
  if (bits == 8) {
    std::size_t entries = coloursUsed == 0 ? 256 : coloursUsed;
    if (entries > 256) return refuse("BMP colour table of " + std::to_string(entries) + " entries");
    paletteBytes = entries * paletteEntrySize;
    const std::size_t start = 14 + infoSize;
    if (file.size() < start + paletteBytes) return refuse("BMP file is truncated in its colour table");
    for (std::size_t i = 0; i < entries; ++i) {
      std::memcpy(&palette[i * 3], file.data() + start + i * paletteEntrySize, 3);
    }
  }
  if (pixelOffset < 14 + infoSize + paletteBytes) return refuse("BMP pixel data overlaps its header");

  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
  if (pixelOffset > file.size() || file.size() - pixelOffset < pixelBytes) {
    return refuse("BMP file is truncated in its pixel data");
  }

  Picture picture(static_cast<int>(width), static_cast<int>(height));
  const char* pixels = file.data() + pixelOffset;
  if (bits == 24) {
    // BMP rows and picture rows share the padded layout.
    std::memcpy(picture.bytes().data(), pixels, pixelBytes);
    for (int y = 0; y < picture.height(); ++y) {  // padding bytes of the picture stay zero
      std::uint8_t* row = picture.row(y);
      std::memset(row + 3 * width, 0, picture.stride() - 3 * width);
    }
  } else {
    for (int y = 0; y < picture.height(); ++y) {
      const auto* in = reinterpret_cast<const std::uint8_t*>(pixels + y * rowBytes);
      std::uint8_t* out = picture.row(y);
      for (std::int64_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, &palette[in[x] * 3], 3);
    }
  }
  return {std::move(picture), {}};
}

}  // namespace karone
