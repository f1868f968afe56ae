#include "capture/JpegConversionStep.h"

#include <gtest/gtest.h>

#include "capture/BmpFormat.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using testing::fileExists;

class JpegConversionStepTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  JpegEncoder encoder;
  JpegConversionStep step{encoder};
};

TEST_F(JpegConversionStepTest, ConvertsToTheJpegOfTheSameNameAndDeletesTheBmp) {
  const std::string bmp = dir.file("motion_img_0000001a.bmp");
  ASSERT_TRUE(writeBmp(bmp, testing::cameraLike(320, 240, 7)).ok);
  auto outcome = step.run(bmp, 25);
  EXPECT_TRUE(outcome.converted()) << outcome.convert.message;
  EXPECT_EQ(outcome.jpegPath, dir.file("motion_img_0000001a.jpg"));
  EXPECT_FALSE(fileExists(bmp));
  EXPECT_TRUE(testing::decodeJpeg(testing::readFile(outcome.jpegPath)).ok);
}

TEST_F(JpegConversionStepTest, DropsAPictureThatCannotBeConverted) {
  const std::string bmp = dir.file("motion_img_00000001.bmp");
  testing::writeFile(bmp, "BM but not really a bitmap");
  auto outcome = step.run(bmp, 25);
  EXPECT_FALSE(outcome.converted());
  EXPECT_EQ(outcome.convert.code, JpegResult::Failed);
  EXPECT_FALSE(outcome.convert.message.empty());
  EXPECT_FALSE(fileExists(bmp));
  EXPECT_FALSE(fileExists(outcome.jpegPath));
  // A missing BMP is dropped the same way.
  EXPECT_EQ(step.run(dir.file("gone.bmp"), 25).convert.code, JpegResult::CannotOpenBmp);
}

TEST_F(JpegConversionStepTest, NeverOverwritesItsInputWithItsOutput) {
  const std::string named = dir.file("odd.jpg");
  ASSERT_TRUE(writeBmp(named, testing::cameraLike(16, 16, 9)).ok);
  EXPECT_FALSE(step.run(named, 25).converted());
}

}  // namespace
}  // namespace karone
