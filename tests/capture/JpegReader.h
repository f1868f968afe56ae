#pragma once
// Decodes a JPEG file for checks on what the pipeline wrote.
#include <string>

#include "capture/Picture.h"

namespace karone::testing {

// The decoded picture (empty when the file cannot be decoded).
Picture readJpeg(const std::string& path);
// The blue byte at (x, y) counted from the top left.
int blueAt(const Picture& picture, int x, int y);

}  // namespace karone::testing
