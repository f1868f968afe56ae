// Every kept input of the BMP reader's fuzz target, read directly and
// converted to JPEG: accepted files give the JPEG of the picture the reader
// sees, refused ones a failure and no JPEG.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture/BmpFormat.h"
#include "capture/JpegEncoder.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

TEST(BmpCorpus, EveryKeptInputIsReadOrRefusedCleanly) {
  const std::filesystem::path corpus =
      std::filesystem::path(KARONE_SOURCE_DIR) / "tests/fuzz/corpus/bmp";
  testing::TempDir dir;
  JpegEncoder encoder;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const std::string bytes = testing::readFile(entry.path().string());
    const BmpDecodeResult read = decodeBmp(bytes);
    EXPECT_EQ(read.ok(), !read.picture.empty()) << name;

    const std::string jpeg = dir.file("out.jpg");
    testing::writeFile(dir.file("in.bmp"), bytes);
    const ConvertResult converted = encoder.Convert(dir.file("in.bmp"), jpeg, 25);
    if (read.ok()) {
      ASSERT_TRUE(converted.ok()) << name << ": " << converted.message;
      // The encoder streams the file from its end; the result must be what
      // the whole picture, read at once, gives.
      EXPECT_EQ(testing::readFile(jpeg), testing::referenceJpeg(read.picture, 25, true)) << name;
    } else {
      EXPECT_EQ(converted.code, JpegResult::Failed) << name;
      EXPECT_FALSE(testing::fileExists(jpeg)) << name;
    }
  }
  EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace karone
