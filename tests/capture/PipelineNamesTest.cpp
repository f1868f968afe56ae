#include "capture/PipelineNames.h"

#include <gtest/gtest.h>

#include "capture/BmpFormat.h"

namespace karone {
namespace {

TEST(PipelineNames, BufferFileNames) {
  struct Row {
    int mode;
    std::uint32_t counter;
    const char* expected;
  } rows[] = {
      {0, 0, "/buf/motion_img_00000000.bmp"},
      {0, 0x1a, "/buf/motion_img_0000001a.bmp"},
      {0, 0xffffffffu, "/buf/motion_img_ffffffff.bmp"},
      {1, 0x1a, "/buf/still_img_latest.bmp"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(bufferBmpPath("/buf/", row.mode, row.counter), row.expected) << row.counter;
}

TEST(PipelineNames, MotionTimerPeriodTruncates) {
  EXPECT_EQ(motionTimerPeriodMillis(1), 1000);
  EXPECT_EQ(motionTimerPeriodMillis(3), 333);
  EXPECT_EQ(motionTimerPeriodMillis(7), 142);
  EXPECT_EQ(motionTimerPeriodMillis(30), 33);
  EXPECT_EQ(motionTimerPeriodMillis(0), 1000);
}

TEST(PipelineNames, CountdownTextKeepsHoursWhole) {
  struct Row {
    std::int64_t remaining;
    const char* expected;
  } rows[] = {
      {45, "00:00:45"},     {7200, "02:00:00"}, {360000, "100:00:00"}, {0, "00:00:00"},
      {-5, "00:00:00"},     {3661, "01:01:01"}, {59, "00:00:59"},      {600, "00:10:00"},
      {86400, "24:00:00"},  {36009, "10:00:09"},
  };
  for (const Row& row : rows) EXPECT_EQ(countdownText(row.remaining), row.expected);
}

TEST(PipelineNames, StillProgress) {
  EXPECT_EQ(stillProgress(45, 45), 100);
  EXPECT_EQ(stillProgress(44, 45), 97);
  EXPECT_EQ(stillProgress(0, 45), 0);
  EXPECT_EQ(stillProgress(-3, 45), 0);
  EXPECT_EQ(stillProgress(10, 0), 0);
}

TEST(PipelineNames, StripBmpHeaderIsTheExact54Bytes) {
  const std::string header = encodeBmp(Picture(1920, 240)).substr(0, 54);
  const unsigned char expected[54] = {
      'B', 'M', 0x36, 0x18, 0x15, 0x00,  // file size 1382454
      0, 0, 0, 0,                        // reserved
      54, 0, 0, 0,                       // pixel offset
      40, 0, 0, 0,                       // info header size
      0x80, 0x07, 0, 0,                  // width 1920
      0xf0, 0, 0, 0,                     // height 240 (bottom-up)
      1, 0, 24, 0,                       // planes, bits
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(header.size(), 54u);
  EXPECT_EQ(header, std::string(reinterpret_cast<const char*>(expected), 54));
}

TEST(PipelineNames, PreferredDeviceLastExactMatchWins) {
  const std::vector<std::string> preferred = {"Test Pattern", "USB Camera"};
  struct Row {
    std::vector<std::string> devices;
    int expected;
  } rows[] = {
      {{}, -1},
      {{"Other"}, -1},
      {{"test pattern"}, -1},  // exact, case-sensitive
      {{"Test Pattern", "Other"}, 0},
      {{"Test Pattern", "USB Camera", "Other"}, 1},
      {{"USB Camera", "Test Pattern", "USB Camera"}, 2},
  };
  for (const Row& row : rows)
    EXPECT_EQ(preferredDeviceIndex(row.devices, preferred), row.expected) << row.devices.size();
}

}  // namespace
}  // namespace karone
