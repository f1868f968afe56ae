#include "capture/JpegEncoder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "capture/BmpFormat.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using testing::decodeJpeg;
using testing::fileExists;
using testing::readFile;

class JpegEncoderTest : public ::testing::Test {
 protected:
  std::string writeBmpFile(const std::string& name, const Picture& picture) {
    std::string path = dir.file(name);
    EXPECT_TRUE(writeBmp(path, picture).ok);
    return path;
  }
  std::string convert(const Picture& picture, int quality) {
    std::string bmp = writeBmpFile("in.bmp", picture);
    ConvertResult r = encoder.Convert(bmp, dir.file("out.jpg"), quality);
    EXPECT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(r.message.empty());
    return readFile(dir.file("out.jpg"));
  }

  testing::TempDir dir;
  JpegEncoder encoder;
};

void fill(Picture& p, int fromTopRow, int toTopRow, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  for (int y = fromTopRow; y < toTopRow; ++y) {
    for (int x = 0; x < p.width(); ++x) {
      p.topRow(y)[3 * x] = b;
      p.topRow(y)[3 * x + 1] = g;
      p.topRow(y)[3 * x + 2] = r;
    }
  }
}

TEST_F(JpegEncoderTest, KeepsSizeOrientationAndColourOrder) {
  // Top half blue, bottom half red, in blue-green-red bottom-up storage: the
  // top half is the last stored rows.
  Picture picture(320, 240);
  fill(picture, 0, 120, 255, 0, 0);
  fill(picture, 120, 240, 0, 0, 255);
  ASSERT_EQ(picture.row(239)[0], 255);  // last stored row is blue
  testing::DecodedJpeg jpeg = decodeJpeg(convert(picture, 90));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 320);
  EXPECT_EQ(jpeg.height, 240);
  auto near = [](const std::uint8_t* rgb, int r, int g, int b) {
    return std::abs(rgb[0] - r) < 8 && std::abs(rgb[1] - g) < 8 && std::abs(rgb[2] - b) < 8;
  };
  EXPECT_TRUE(near(jpeg.at(10, 10), 0, 0, 255)) << "top row must be blue";
  EXPECT_TRUE(near(jpeg.at(300, 100), 0, 0, 255));
  EXPECT_TRUE(near(jpeg.at(10, 230), 255, 0, 0)) << "bottom row must be red";
}

TEST_F(JpegEncoderTest, WritesTheJfifMarkerWithoutResolution) {
  testing::DecodedJpeg jpeg = decodeJpeg(convert(testing::cameraLike(64, 48, 1), 25));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_TRUE(jpeg.jfif);
  EXPECT_EQ(jpeg.jfifMajor, 1);
  EXPECT_EQ(jpeg.jfifMinor, 1);
  EXPECT_EQ(jpeg.densityUnit, 0);
  EXPECT_EQ(jpeg.xDensity, 1);
  EXPECT_EQ(jpeg.yDensity, 1);
}

TEST_F(JpegEncoderTest, LowQualitiesGiveExtendedSequentialFrames) {
  struct Case {
    int quality;
    int frameMarker;
  } cases[] = {{99, 0xC0}, {25, 0xC0}, {1, 0xC1}};
  for (const Case& c : cases) {
    const std::string jpeg = convert(testing::cameraLike(320, 240, 2), c.quality);
    const std::vector<int> markers = testing::markersOf(jpeg);
    EXPECT_NE(std::find(markers.begin(), markers.end(), c.frameMarker), markers.end())
        << "quality " << c.quality;
    EXPECT_EQ(std::count_if(markers.begin(), markers.end(),
                            [](int m) { return m >= 0xC0 && m <= 0xC2; }),
              1);
    EXPECT_TRUE(decodeJpeg(jpeg).ok) << "quality " << c.quality;
  }
}

TEST_F(JpegEncoderTest, MatchesTheLibraryWithOptimisedTablesByteForByte) {
  // The strip of six frames the pipeline produces, at the default quality.
  const Picture strip = testing::cameraLike(1920, 240, 3);
  const std::string jpeg = convert(strip, 25);
  EXPECT_EQ(jpeg, testing::referenceJpeg(strip, 25, true));
  const std::string standardTables = testing::referenceJpeg(strip, 25, false);
  EXPECT_LT(jpeg.size(), standardTables.size());
}

TEST_F(JpegEncoderTest, ReplacesAnExistingJpeg) {
  testing::writeFile(dir.file("out.jpg"), std::string(500000, 'x'));
  const std::string jpeg = convert(testing::cameraLike(16, 16, 4), 50);
  EXPECT_LT(jpeg.size(), 5000u);
  EXPECT_TRUE(decodeJpeg(jpeg).ok);
}

TEST_F(JpegEncoderTest, FailuresAreReportedAndLeaveNoJpeg) {
  const std::string good = encodeBmp(testing::cameraLike(32, 32, 5));
  std::string badDepth = good;
  badDepth[28] = 32;
  // 65535 pixels wide is a valid BMP but beyond what the library encodes.
  const std::string tooWide = encodeBmp(Picture(65535, 1));
  ASSERT_FALSE(tooWide.empty());

  // A JPEG name that leads to a device on which every write fails.
  const std::string fullDisk = dir.file("full.jpg");
  ASSERT_EQ(::symlink("/dev/full", fullDisk.c_str()), 0);

  struct Case {
    const char* name;
    std::string bmpBytes;  // "" : no BMP file at all
    std::string jpegPath;
    JpegResult expected;
    const char* message;
  } cases[] = {
      {"no BMP", "", dir.file("a.jpg"), JpegResult::CannotOpenBmp, "No such file"},
      {"no folder for the JPEG", good, dir.file("none/a.jpg"), JpegResult::CannotCreateJpeg,
       "No such file"},
      {"not a BMP", "GIF89a......................", dir.file("a.jpg"), JpegResult::Failed,
       "not a BMP"},
      {"truncated", good.substr(0, good.size() / 2), dir.file("a.jpg"), JpegResult::Failed,
       "truncated"},
      {"unsupported depth", badDepth, dir.file("a.jpg"), JpegResult::Failed, "32 bits"},
      {"library refuses the size", tooWide, dir.file("a.jpg"), JpegResult::Failed, "65500"},
      {"write fails", good, fullDisk, JpegResult::Failed, "write"},
  };
  for (const Case& c : cases) {
    const std::string bmp = dir.file("case.bmp");
    ::unlink(bmp.c_str());
    if (!c.bmpBytes.empty()) testing::writeFile(bmp, c.bmpBytes);
    ConvertResult r = encoder.Convert(bmp, c.jpegPath, 25);
    EXPECT_EQ(r.code, c.expected) << c.name << ": " << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.name << ": " << r.message;
    struct stat st {};
    EXPECT_NE(::lstat(c.jpegPath.c_str(), &st), 0) << c.name << ": JPEG left behind";
    EXPECT_EQ(fileExists(bmp), !c.bmpBytes.empty()) << c.name << ": the BMP is not ours to delete";
  }
  EXPECT_TRUE(fileExists("/dev/full"));
  // The encoder is usable after every failure.
  EXPECT_TRUE(decodeJpeg(convert(testing::cameraLike(8, 8, 6), 25)).ok);
}

TEST(JpegPath, ReplacesTheExtensionOfTheFileName) {
  struct Case {
    const char* bmp;
    const char* jpeg;
  } cases[] = {
      {"/tmp/motion_img_000000ff.bmp", "/tmp/motion_img_000000ff.jpg"},
      {"/tmp/still_img_latest.bmp", "/tmp/still_img_latest.jpg"},
      {"/var/tmp/a.b/picture", "/var/tmp/a.b/picture.jpg"},
      {"/tmp/x.tar.bmp", "/tmp/x.tar.jpg"},
      {"relative.BMP", "relative.jpg"},
  };
  for (const Case& c : cases) EXPECT_EQ(JpegEncoder::jpegPathFor(c.bmp), c.jpeg) << c.bmp;
}

}  // namespace
}  // namespace karone
