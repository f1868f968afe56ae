#include "capture/JpegConversionStep.h"

#include <gtest/gtest.h>

#include <vector>

#include "capture/BmpFormat.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using testing::fileExists;

struct HandedOn {
  std::string path;
  std::uint32_t counter;
};

class JpegConversionStepTest : public ::testing::Test {
 protected:
  JpegConversionStep::Outcome run(const std::string& bmp, std::uint32_t counter) {
    return step.run(bmp, 25, counter, {stripReady, uploadPending, workerRunning});
  }

  testing::TempDir dir;
  JpegEncoder encoder;
  std::vector<HandedOn> handedOn;
  JpegConversionStep step{encoder, [this](const std::string& path, std::uint32_t counter) {
                            // The JPEG is complete when it is handed on.
                            EXPECT_TRUE(testing::decodeJpeg(testing::readFile(path)).ok);
                            handedOn.push_back({path, counter});
                          }};
  std::atomic<int> stripReady{1}, uploadPending{0}, workerRunning{1};
};

TEST_F(JpegConversionStepTest, ConvertsDeletesTheBmpAndHandsTheJpegOn) {
  const std::string bmp = dir.file("motion_img_0000001a.bmp");
  ASSERT_TRUE(writeBmp(bmp, testing::cameraLike(320, 240, 7)).ok);
  auto outcome = run(bmp, 26);
  EXPECT_TRUE(outcome.handedOn()) << outcome.convert.message;
  EXPECT_EQ(outcome.jpegPath, dir.file("motion_img_0000001a.jpg"));
  EXPECT_FALSE(fileExists(bmp));
  EXPECT_TRUE(fileExists(outcome.jpegPath));
  ASSERT_EQ(handedOn.size(), 1u);
  EXPECT_EQ(handedOn[0].path, outcome.jpegPath);
  EXPECT_EQ(handedOn[0].counter, 26u);
  EXPECT_EQ(uploadPending, 1);
  EXPECT_EQ(stripReady, 0);
  EXPECT_EQ(workerRunning, 1);  // cleared when the upload is confirmed
}

TEST_F(JpegConversionStepTest, DropsAPictureThatCannotBeConvertedAndGoesOn) {
  const std::string bmp = dir.file("motion_img_00000001.bmp");
  testing::writeFile(bmp, "BM but not really a bitmap");
  auto outcome = run(bmp, 1);  // returns: nothing waits for the missing JPEG
  EXPECT_FALSE(outcome.handedOn());
  EXPECT_EQ(outcome.convert.code, JpegResult::Failed);
  EXPECT_FALSE(outcome.convert.message.empty());
  EXPECT_FALSE(fileExists(bmp));
  EXPECT_FALSE(fileExists(outcome.jpegPath));
  EXPECT_TRUE(handedOn.empty());
  EXPECT_EQ(stripReady, 0);
  EXPECT_EQ(workerRunning, 0);  // the next finished strip wakes the worker again
  EXPECT_EQ(uploadPending, 0);

  // A missing BMP is dropped the same way.
  stripReady = 1;
  workerRunning = 1;
  EXPECT_EQ(run(dir.file("gone.bmp"), 2).convert.code, JpegResult::CannotOpenBmp);
  EXPECT_TRUE(handedOn.empty());
  EXPECT_EQ(workerRunning, 0);

  // The next picture goes through.
  stripReady = 1;
  workerRunning = 1;
  const std::string next = dir.file("motion_img_00000002.bmp");
  ASSERT_TRUE(writeBmp(next, testing::cameraLike(160, 120, 8)).ok);
  EXPECT_TRUE(run(next, 3).handedOn());
  ASSERT_EQ(handedOn.size(), 1u);
  EXPECT_EQ(handedOn[0].counter, 3u);
  EXPECT_EQ(uploadPending, 1);
}

TEST_F(JpegConversionStepTest, NeverOverwritesItsInputWithItsOutput) {
  const std::string named = dir.file("odd.jpg");
  ASSERT_TRUE(writeBmp(named, testing::cameraLike(16, 16, 9)).ok);
  auto outcome = run(named, 4);
  EXPECT_FALSE(outcome.handedOn());
  EXPECT_TRUE(handedOn.empty());
}

}  // namespace
}  // namespace karone
