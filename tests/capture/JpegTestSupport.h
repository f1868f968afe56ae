#pragma once
// Decoding and reference encoding with libjpeg for the encoder's tests.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/Picture.h"

namespace karone::testing {

struct DecodedJpeg {
  bool ok = false;
  std::string error;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, red-green-blue
  bool jfif = false;
  int jfifMajor = 0, jfifMinor = 0, densityUnit = -1, xDensity = 0, yDensity = 0;
  // Red, green, blue of the pixel at (x, y) counted from the top left.
  const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

DecodedJpeg decodeJpeg(const std::string& bytes);

// The picture compressed with the encoder's settings, in memory, with or
// without optimised Huffman tables.
std::string referenceJpeg(const Picture& picture, int quality, bool optimize);

// Markers of the file's segments up to the first scan (0xC0 = baseline
// frame, 0xC1 = extended sequential, 0xDB = quantisation table...).
std::vector<int> markersOf(const std::string& jpeg);

// A picture with smooth gradients, edges and noise, like a camera's.
Picture cameraLike(int width, int height, unsigned seed);

}  // namespace karone::testing
