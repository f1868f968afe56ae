// karone-capture as an operator runs it, on the built-in test-pattern device
// (this machine has no camera), with the program's folders in a temporary
// place so that no real settings are read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/SettingsStorage.h"
#include "platform/VideoCapture.h"
#include "resources/Texts.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

struct ToolRun {
  int status = -1;
  std::string output;  // stdout and stderr
};

ToolRun runTool(const std::string& arguments) {
  ToolRun run;
  const std::string command = std::string(KARONE_CAPTURE_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

bool isJpeg(const std::string& bytes) {
  return bytes.size() > 4 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xD8;
}

TEST(KaroneCapture, UsageErrorsExitWith2InOneLine) {
  testing::ScopedProgramDirs dirs;
  const std::string out = " --out " + dirs.root().file("out");
  for (const std::string& arguments : std::vector<std::string>
       {"", "--mode fast" + out, "--size 640x480" + out, "--quality 0" + out,
        "--quality 100" + out, "--seconds 0" + out, "--frames 3" + out, "--out",
        "--mode 'fa\nst'" + out, "extra" + out}) {
    ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << arguments << ": " << run.output;
    EXPECT_NE(run.output.find("karone-capture --help"), std::string::npos) << arguments;
  }
  ToolRun help = runTool("--seconds 3 --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output, std::string(text(Text::CaptureToolUsage)) + "\n");
}

// Nothing to write, nothing made: the output folder comes with the first
// picture; the program's folders are only read.
TEST(KaroneCapture, UnknownDeviceExitsWith1InOneLineAndMakesNoFolder) {
  testing::ScopedProgramDirs dirs;
  ToolRun run = runTool("--device 'No Such Camera' --seconds 1 --out " + dirs.root().file("out"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, formatText(Text::CaptureToolUnknownDevice, "No Such Camera") + "\n");
  EXPECT_FALSE(testing::fileExists(dirs.root().file("out")));
  EXPECT_FALSE(testing::fileExists(dirs.root().file("config")));
}

TEST(KaroneCapture, ListsTheTestPatternDevice) {
  testing::ScopedProgramDirs dirs;
  ToolRun run = runTool("--list");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find(std::string("0: ") + kTestPatternDeviceName + "\n"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("brightness and contrast: yes"), std::string::npos) << run.output;
}

TEST(KaroneCapture, WritesTheStillAndTheFirstStrip) {
  testing::ScopedProgramDirs dirs;
  const std::string out = dirs.root().file("out");
  ToolRun still = runTool("--mode still --seconds 1 --device 'karone test pattern' --out " + out);
  ASSERT_EQ(still.status, 0) << still.output;
  EXPECT_TRUE(isJpeg(testing::readFile(out + "/still_img_latest.jpg")));

  ToolRun motion = runTool("--mode motion --quality 50 --seconds 6 --out " + out);
  ASSERT_EQ(motion.status, 0) << motion.output;
  EXPECT_NE(motion.output.find(out + "/motion_img_00000000.jpg\n"), std::string::npos);
  EXPECT_TRUE(isJpeg(testing::readFile(out + "/motion_img_00000000.jpg")));
  EXPECT_FALSE(testing::fileExists(out + "/motion_img_00000001.jpg"));
}

// Network cameras as scripts add and remove them: the password comes from
// standard input and shows nowhere but in the private settings file.
TEST(KaroneCapture, AddsListsAndRemovesNetworkCameras) {
  testing::ScopedProgramDirs dirs;
  const std::string password = dirs.root().file("password");
  testing::writeFile(password, "s3cret-word\n");
  ToolRun added = runTool("add 'Gate Camera' rtsp://127.0.0.1:8554/gate --user admin --password-stdin < " + password);
  ASSERT_EQ(added.status, 0) << added.output;
  EXPECT_EQ(added.output, formatText(Text::CaptureToolCameraAdded, "Gate Camera",
                                     "rtsp://127.0.0.1:8554/gate") + "\n");
  EXPECT_EQ(runTool("add Yard http://127.0.0.1:8080/video.mjpg < /dev/null").status, 0);

  struct Refused {
    std::string arguments;
    int status;
  };
  for (const Refused& r : std::vector<Refused>{
           {"add 'gate camera' rtsp://127.0.0.1/x", 1},        // name taken, whatever the case
           {"add 'karone test pattern' rtsp://127.0.0.1/x", 1},
           {"add Bad ftp://127.0.0.1/x", 2},
           {"add Bad rtsp://admin:pw@127.0.0.1/x", 2},         // credentials belong in their fields
           {"add Bad rtsp://127.0.0.1/x --password-stdin", 2},  // a password needs a user
           {"add OnlyName", 2},
           {"remove Nobody", 1}}) {
    ToolRun run = runTool(r.arguments + " < /dev/null");
    EXPECT_EQ(run.status, r.status) << r.arguments << ": " << run.output;
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << r.arguments << ": " << run.output;
  }

  ToolRun list = runTool("--list --formats");
  ASSERT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find(": Gate Camera\n   kind: network camera, rtsp://127.0.0.1:8554/gate\n"),
            std::string::npos)
      << list.output;
  EXPECT_NE(list.output.find(": Yard\n"), std::string::npos) << list.output;
  EXPECT_EQ(list.output.find("s3cret"), std::string::npos);

  const std::string settings = FileSettingsStorage().path();
  struct stat st {};
  ASSERT_EQ(::stat(settings.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(testing::readFile(settings).find("s3cret-word"), std::string::npos);

  EXPECT_EQ(runTool("remove 'gate camera'").status, 0);
  list = runTool("--list");
  EXPECT_EQ(list.output.find("Gate Camera"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find(": Yard\n"), std::string::npos) << list.output;
}

}  // namespace
}  // namespace karone
