#include "ftp/StatusPage.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace karone {
namespace {

const std::string kHead =
    "<meta http-equiv='pragma' content='no-cache'>\n"
    "<meta http-equiv='Cache-Control' content='no-cache'>\n"
    "\n";

TEST(StatusPage, RunningFormByteForByte) {
  struct Row {
    StatusPageValues values;
    std::string subtitleLine;  // code page 932 bytes after "Subtitle="
    std::string colourLines;
  };
  const Row rows[] = {
      {{6, "motion_img_0000001a.jpg", 1, "", 0x0000ff}, "",
       "SubtitleFrgRVal=255\nSubtitleFrgGVal=0\nSubtitleFrgBVal=0\n"},
      {{6, "motion_img_0000001a.jpg", 1, " ", 0xff8040}, " ",
       "SubtitleFrgRVal=64\nSubtitleFrgGVal=128\nSubtitleFrgBVal=255\n"},
      {{6, "motion_img_0000001a.jpg", 1, "ライブ中", 0xff000000}, "\x83\x89\x83\x43\x83\x75\x92\x86",
       "SubtitleFrgRVal=0\nSubtitleFrgGVal=0\nSubtitleFrgBVal=0\n"},
      // A caption cannot add lines to the page; what cp932 lacks becomes '?'.
      {{6, "motion_img_0000001a.jpg", 1, "a\nServRun=0\r", 0}, "a ServRun=0 ",
       "SubtitleFrgRVal=0\nSubtitleFrgGVal=0\nSubtitleFrgBVal=0\n"},
      {{6, "motion_img_0000001a.jpg", 1, "x\xF0\x9F\x98\x80y", 0}, "x?y",
       "SubtitleFrgRVal=0\nSubtitleFrgGVal=0\nSubtitleFrgBVal=0\n"},
  };
  for (const auto& row : rows) {
    std::string expected = kHead + "ServRun=1\nBuffer=6\nCurr=motion_img_0000001a.jpg\n" +
                           "FramePerSecond=1\nSubtitle=" + row.subtitleLine + "\n" +
                           row.colourLines;
    EXPECT_EQ(runningStatusPage(row.values), expected) << row.values.caption;
  }
}

TEST(StatusPage, OtherFrameSettingsAppearInDecimal) {
  auto page = runningStatusPage({12, "motion_img_00000000.jpg", 10, "", 0});
  EXPECT_NE(page.find("\nBuffer=12\nCurr=motion_img_00000000.jpg\nFramePerSecond=10\n"),
            std::string::npos);
  EXPECT_EQ(page.find('\r'), std::string::npos);
}

TEST(StatusPage, StoppedFormHasThreeLinesAndOneEmptyLine) {
  EXPECT_EQ(stoppedStatusPage(), kHead + "ServRun=0\n");
}

TEST(StatusPage, TheStripAPublishedPageNames) {
  EXPECT_EQ(pageCurrentFrame(runningStatusPage({6, "motion_img_0000001a.jpg", 1, "x", 0})),
            "motion_img_0000001a.jpg");
  EXPECT_EQ(pageCurrentFrame(stoppedStatusPage()), std::nullopt);
  EXPECT_EQ(pageCurrentFrame("ServRun=1\r\nCurr=motion_img_00000001.jpg\r\n"),
            "motion_img_00000001.jpg");
  EXPECT_EQ(pageCurrentFrame("<html>not ours</html>"), std::nullopt);
  EXPECT_EQ(pageCurrentFrame(""), std::nullopt);
}

}  // namespace
}  // namespace karone
