#include "capture/FramePipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "capture/PipelineNames.h"
#include "resources/Texts.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/capture/RecordingPipelineHost.h"
#include "tests/capture/ScriptedFrameSource.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

namespace pe = pipelineevent;
using testing::RecordingPipelineHost;
using testing::ScriptedFrameSource;

// Frame n is a flat grey of 10 × n; JPEG keeps flat blocks within a few steps.
int frameNumberOf(int blue) { return (blue + 5) / 10; }

testing::DecodedJpeg readJpeg(const std::string& path) {
  return testing::decodeJpeg(testing::readFile(path));
}
int blueAt(const testing::DecodedJpeg& jpeg, int x, int y) { return jpeg.at(x, y)[2]; }
int blueAt(const Picture& picture, int x, int y) { return picture.topRow(y)[3 * x]; }

// A still session with the given period.
CaptureSessionSettings still(int period, bool autoShut = false) { return {1, period, autoShut}; }

struct Fixture {
  Fixture() {
    FramePipeline::Options options;
    options.bufferFolder = dir.path();
    pipeline = std::make_unique<FramePipeline>(source, runner, host.host(), prompter, clock,
                                               timers, options);
  }
  // Preview on and a session started (motion mode unless told otherwise).
  void start(CaptureSessionSettings session = {}, bool scheduled = false) {
    ASSERT_EQ(pipeline->EnableDevice(), 0);
    pipeline->AllocateSlots(pipeline->framesPerStrip());
    ASSERT_TRUE(pipeline->StartCapture(scheduled, session));
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) pipeline->motionTick();
  }
  // Takes the writer's results until it has finished every picture it was given.
  void settle() { ASSERT_TRUE(runner.runUntil([&] { return pipeline->workerIdle(); })); }
  // Takes the writer's results until n pictures have been offered.
  bool waitForPictures(size_t n) {
    return runner.runUntil([&] { return host.pictures().size() >= n; });
  }
  // Frame numbers, left to right, of the strip in a JPEG of the buffer folder.
  std::vector<int> framesIn(const std::string& path, int frames = 6) {
    const testing::DecodedJpeg picture = readJpeg(path);
    std::vector<int> numbers;
    if (!picture.ok) return numbers;
    const int slotWidth = picture.width / frames;
    for (int i = 0; i < frames; ++i)
      numbers.push_back(
          frameNumberOf(blueAt(picture, i * slotWidth + slotWidth / 2, picture.height / 2)));
    return numbers;
  }
  std::string file(const std::string& name) const { return dir.path() + "/" + name; }

  karone::testing::TempDir dir;
  ScriptedFrameSource source;
  ManualTaskRunner runner;
  RecordingPipelineHost host;
  RecordingPrompter prompter;
  FakeClock clock{1'700'000'000};
  FakeTimerQueue timers{clock};
  std::unique_ptr<FramePipeline> pipeline;
};

TEST(FramePipeline, FirstStripAtTheSixthTickOldestLeft) {
  Fixture f;
  f.start();
  EXPECT_EQ(f.pipeline->activeTimer(), FramePipeline::Timer::Motion);
  EXPECT_EQ(f.pipeline->timerPeriodMillis(), 1000);
  EXPECT_EQ(f.host.all<pe::ProgressRange>().back().high, 6);
  f.ticks(5);
  f.settle();
  EXPECT_TRUE(f.host.pictures().empty());
  EXPECT_EQ(f.host.progress(), (std::vector<int>{1, 2, 3, 4, 5}));

  f.ticks(1);
  ASSERT_TRUE(f.waitForPictures(1));
  f.settle();
  const auto pictures = f.host.pictures();
  EXPECT_EQ(pictures[0].jpegPath, f.file("motion_img_00000000.jpg"));
  EXPECT_EQ(pictures[0].fileCounter, 0u);
  EXPECT_EQ(f.pipeline->fileCounter(), 1u);
  EXPECT_EQ(f.pipeline->lastWrittenCounter(), 0u);
  EXPECT_EQ(f.pipeline->currentJpegPath(), pictures[0].jpegPath);
  EXPECT_TRUE(f.pipeline->uploadPending());
  EXPECT_EQ(f.host.lastStatus(), text(Text::CaptureInProgress));
  EXPECT_FALSE(testing::fileExists(f.file("motion_img_00000000.bmp")));
  EXPECT_EQ(f.framesIn(pictures[0].jpegPath), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  const testing::DecodedJpeg strip = readJpeg(pictures[0].jpegPath);
  EXPECT_EQ(strip.width, 1920);
  EXPECT_EQ(strip.height, 240);
}

TEST(FramePipeline, NoStripWhileUploadPendingThenFirstAfterConfirmation) {
  Fixture f;
  f.start();
  f.ticks(6);
  ASSERT_TRUE(f.waitForPictures(1));
  f.settle();
  // The upload is not confirmed: the ring keeps turning but offers nothing.
  f.ticks(12);
  f.settle();
  EXPECT_EQ(f.host.pictures().size(), 1u);
  EXPECT_EQ(f.host.lastStatus(), text(Text::CaptureUploadWaiting));
  EXPECT_EQ(f.host.progress().back(), 6);

  f.pipeline->ClearUploadFlags();
  f.ticks(5);
  f.settle();
  EXPECT_EQ(f.host.pictures().size(), 1u);
  f.ticks(1);  // frames 19..24 complete the first strip after the confirmation
  ASSERT_TRUE(f.waitForPictures(2));
  const auto second = f.host.pictures()[1];
  EXPECT_EQ(second.jpegPath, f.file("motion_img_00000001.jpg"));
  EXPECT_EQ(second.fileCounter, 1u);
  EXPECT_EQ(f.framesIn(second.jpegPath), (std::vector<int>{19, 20, 21, 22, 23, 24}));
}

TEST(FramePipeline, CounterNamesAndWrap) {
  struct Row {
    std::uint32_t counter;
    const char* name;
    std::uint32_t next;
  } rows[] = {{0x1a, "motion_img_0000001a.jpg", 0x1b},
              {0xffffffffu, "motion_img_ffffffff.jpg", 0}};
  for (const Row& row : rows) {
    Fixture f;
    f.pipeline->setFileCounter(row.counter);
    f.start();
    f.ticks(6);
    ASSERT_TRUE(f.waitForPictures(1));
    f.settle();
    EXPECT_EQ(f.host.pictures()[0].jpegPath, f.file(row.name));
    EXPECT_EQ(f.host.pictures()[0].fileCounter, row.counter);
    EXPECT_EQ(f.pipeline->fileCounter(), row.next);
  }
}

TEST(FramePipeline, ScalesOnlyWhenBothDimensionsDiffer) {
  // Top half blue 200, bottom half blue 40.
  auto halves = [](Picture& p, int) {
    for (int y = 0; y < p.height(); ++y)
      std::fill(p.topRow(y), p.topRow(y) + 3 * p.width(), y < p.height() / 2 ? 200 : 40);
  };
  struct Row {
    int width, height;
    int topBlue, bottomBlue;  // in the 320 × 240 slot
  } rows[] = {
      {640, 480, 200, 40},  // scaled: both halves survive
      {320, 480, 200, 200}, // not scaled: the top 320 × 240 is the top half
      {320, 240, 200, 40},
  };
  for (const Row& row : rows) {
    Fixture f;
    f.source.width = row.width;
    f.source.height = row.height;
    f.source.paint = halves;
    f.start();
    f.ticks(1);
    const Picture& slot = f.pipeline->frameSlots()[0];
    ASSERT_EQ(slot.width(), 320);
    ASSERT_EQ(slot.height(), 240);
    EXPECT_EQ(blueAt(slot, 10, 5), row.topBlue) << row.width << "x" << row.height;
    EXPECT_EQ(blueAt(slot, 10, 234), row.bottomBlue) << row.width << "x" << row.height;
  }
}

TEST(FramePipeline, MotionTimerFollowsTheFrameRate) {
  Fixture f;
  for (auto [fps, period] : {std::pair{3, 333}, {7, 142}, {1, 1000}}) {
    f.pipeline->setFramesPerSecond(fps);
    if (!f.pipeline->capturing()) f.start();
    EXPECT_EQ(f.pipeline->timerPeriodMillis(), period);
  }
}

TEST(FramePipeline, TheSessionsOwnTimersDriveIt) {
  Fixture f;
  f.pipeline->setFramesPerSecond(3);
  f.start();
  f.timers.advance(5 * 333 + 100);  // five ticks of 333 ms
  EXPECT_EQ(f.host.progress(), (std::vector<int>{1, 2, 3, 4, 5}));
  f.timers.advance(333);
  ASSERT_TRUE(f.waitForPictures(1));
  f.settle();
  f.pipeline->StopCapture();
  EXPECT_EQ(f.timers.activeCount(), 1);  // the camera watch, while the device is on
  f.timers.advanceSeconds(10);  // no tick after the stop
  f.pipeline->disableDevice();
  EXPECT_EQ(f.timers.activeCount(), 0);
  EXPECT_EQ(f.host.progress().size(), 7u);  // six ticks and the reset to 0
}

TEST(FramePipeline, StartIsRefusedWithoutPreviewOrDuringASession) {
  Fixture f;
  EXPECT_FALSE(f.pipeline->StartCapture(false, {}));  // preview off
  f.start();
  ASSERT_EQ(f.host.count<pe::StopReconnectCountdown>(), 1);
  EXPECT_TRUE(f.host.all<pe::StopReconnectCountdown>()[0].announce);
  EXPECT_FALSE(f.pipeline->StartCapture(false, {}));
  f.pipeline->StopCapture();
  EXPECT_EQ(f.host.count<pe::CaptureStopped>(), 1);
  EXPECT_EQ(f.host.lastStatus(), " ");
  EXPECT_EQ(f.host.progress().back(), 0);
  EXPECT_EQ(f.pipeline->activeTimer(), FramePipeline::Timer::None);
  EXPECT_FALSE(f.pipeline->StartCapture(false, {}));  // stop not yet confirmed
  f.pipeline->ClearStopping();
  EXPECT_TRUE(f.pipeline->StartCapture(true, {}));
  EXPECT_TRUE(f.pipeline->scheduled());
}

TEST(FramePipeline, EnableDeviceResults) {
  {
    Fixture f;
    f.source.devices = {"Other camera"};  // nothing preferred
    FramePipeline p(f.source, f.runner, {}, f.prompter, f.clock, f.timers, {});
    EXPECT_EQ(p.deviceIndex(), -1);
    EXPECT_EQ(p.EnableDevice(), 1);
  }
  {
    Fixture f;
    f.source.buildResult = 2;
    EXPECT_EQ(f.pipeline->EnableDevice(), 2);
    EXPECT_FALSE(f.pipeline->graphRunning());
  }
  {
    Fixture f;
    f.pipeline->setVideoSource(3);
    EXPECT_EQ(f.pipeline->EnableDevice(), 0);
    EXPECT_EQ(f.source.routed, std::vector<int>{3});
  }
}

TEST(FramePipeline, LastCaptureDeviceIsPreferredToo) {
  Fixture f;
  f.source.devices = {"USB Camera", kTestPatternDeviceName, "USB Camera", "Other"};
  FramePipeline::Options options;
  options.bufferFolder = f.dir.path();
  auto chosen = [&] {
    return FramePipeline(f.source, f.runner, {}, f.prompter, f.clock, f.timers, options)
        .deviceIndex();
  };
  EXPECT_EQ(chosen(), 1);
  options.lastDeviceName = "USB Camera";
  EXPECT_EQ(chosen(), 2);
}

TEST(FramePipeline, MissingFrameStopsTheMotionSessionWithAWarning) {
  Fixture f;
  f.start();
  f.ticks(2);
  f.source.failGrab = true;
  f.ticks(1);
  EXPECT_FALSE(f.pipeline->capturing());
  EXPECT_EQ(f.host.count<pe::CaptureStopped>(), 1);
  const auto prompts = f.prompter.prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text, text(Text::CaptureCannotStart));
  EXPECT_EQ(prompts[0].caption, text(Text::CaptureStillCaption));
}

// --- still mode ---

TEST(FramePipeline, StillCountdownTexts) {
  struct Row {
    int period;
    const char* text;
  } rows[] = {{45, "00:00:45"}, {7200, "02:00:00"}, {360000, "100:00:00"}};
  for (const Row& row : rows) {
    Fixture f;
    f.start(still(row.period));
    EXPECT_EQ(f.pipeline->activeTimer(), FramePipeline::Timer::Still);
    EXPECT_EQ(f.pipeline->timerPeriodMillis(), 1000);
    EXPECT_EQ(f.host.all<pe::ProgressRange>().back().high, 100);
    f.pipeline->stillTick();  // the shot was taken at the start: a full period left
    EXPECT_EQ(f.host.lastStatus(), row.text);
    EXPECT_EQ(f.host.progress().back(), 100);
    f.clock.advance(1);
    f.pipeline->stillTick();
    EXPECT_EQ(f.host.progress().back(), (row.period - 1) * 100 / row.period);
  }
}

TEST(FramePipeline, StillShotsEveryPeriodUnderOneName) {
  Fixture f;
  f.host.onPicture = [&](const auto&) { f.pipeline->ClearUploadFlags(); };
  f.start(still(30));
  ASSERT_TRUE(f.waitForPictures(1));
  for (int s = 0; s < 30; ++s) {
    f.clock.advance(1);
    f.pipeline->stillTick();
  }
  ASSERT_TRUE(f.waitForPictures(2));
  f.settle();
  EXPECT_EQ(f.host.lastStatus(), "00:00:00");
  const auto pictures = f.host.pictures();
  EXPECT_EQ(pictures.size(), 2u);
  for (const auto& p : pictures) EXPECT_EQ(p.jpegPath, f.file("still_img_latest.jpg"));
  EXPECT_EQ(f.source.grabs, 2);
  const testing::DecodedJpeg still = readJpeg(f.file("still_img_latest.jpg"));
  EXPECT_EQ(still.width, 320);
  EXPECT_EQ(frameNumberOf(blueAt(still, 160, 120)), 2);
}

TEST(FramePipeline, StillShotWaitsForTheUploaderAndRepeatsEverySecond) {
  Fixture f;
  f.host.idle = false;
  f.start(still(45));  // no shot at the start: the uploader is busy
  for (int s = 0; s < 3; ++s) {
    f.clock.advance(1);
    f.pipeline->stillTick();
    EXPECT_EQ(f.host.lastStatus(), "00:00:00");
  }
  f.settle();
  EXPECT_EQ(f.source.grabs, 0);
  EXPECT_TRUE(f.host.pictures().empty());
  f.host.idle = true;
  f.clock.advance(1);
  f.pipeline->stillTick();
  ASSERT_TRUE(f.waitForPictures(1));
  EXPECT_EQ(f.source.grabs, 1);
  f.pipeline->stillTick();
  EXPECT_EQ(f.host.lastStatus(), "00:00:45");
}

TEST(FramePipeline, StillNoticesOnceEachWithAutomaticStart) {
  for (bool autoShut : {false, true}) {
    Fixture f;
    f.start(still(600, autoShut));
    for (int s = 0; s < 600; ++s) {
      f.clock.advance(1);
      f.pipeline->stillTick();
      if (autoShut && s == 298) {
        EXPECT_EQ(f.host.count<pe::FiveMinuteNotice>(), 0);
      }
      if (autoShut && s == 299) {
        EXPECT_EQ(f.host.count<pe::FiveMinuteNotice>(), 1);  // 300 s left
      }
      if (autoShut && s == 539) {
        EXPECT_EQ(f.host.count<pe::OneMinuteNotice>(), 1);  // 60 s left
      }
    }
    EXPECT_EQ(f.host.count<pe::FiveMinuteNotice>(), autoShut ? 1 : 0);
    EXPECT_EQ(f.host.count<pe::OneMinuteNotice>(), autoShut ? 1 : 0);
  }
}

// --- the writer ---

TEST(FramePipeline, APictureKeepsTheQualityInForceWhenItWasReleased) {
  // Quality 1 gives an extended sequential frame (0xC1), 99 a baseline one.
  auto extended = [](const std::string& path) {
    const std::vector<int> markers = testing::markersOf(testing::readFile(path));
    return std::find(markers.begin(), markers.end(), 0xC1) != markers.end();
  };
  Fixture f;
  f.pipeline->setJpegQuality(99);
  f.start();
  f.ticks(6);                       // released at 99 ...
  f.pipeline->setJpegQuality(1);    // ... which holds while it is written
  ASSERT_TRUE(f.waitForPictures(1));
  EXPECT_FALSE(extended(f.host.pictures()[0].jpegPath));
  f.pipeline->ClearUploadFlags();
  f.ticks(6);
  ASSERT_TRUE(f.waitForPictures(2));
  EXPECT_TRUE(extended(f.host.pictures()[1].jpegPath));
}

TEST(FramePipeline, AStillWaitsWhileThePreviousPictureIsWithTheWriter) {
  Fixture f;
  f.start(still(30));  // the first picture goes to the writer at the start
  f.clock.advance(30);
  f.pipeline->stillTick();  // due, but the first is not back yet
  EXPECT_EQ(f.source.grabs, 1);
  f.settle();
  f.pipeline->stillTick();
  EXPECT_EQ(f.source.grabs, 2);
}

TEST(FramePipeline, NothingArrivesAfterThePipelineIsGone) {
  Fixture f;
  f.start();
  f.ticks(6);
  // The pipeline goes once the writer has posted what became of the strip.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (f.runner.queued() == 0 && std::chrono::steady_clock::now() < limit)
    std::this_thread::yield();
  ASSERT_EQ(f.runner.queued(), 1u);
  f.pipeline.reset();
  f.runner.runPending();
  EXPECT_TRUE(f.host.pictures().empty());
}

// --- faults of the writer that are mended ---

TEST(FramePipeline, WriterWritesThePictureItWasGivenNotTheNextOne) {
  Fixture f;
  f.start();
  f.ticks(6);  // the strip of frames 1..6 goes to the writer ...
  f.ticks(3);  // ... while the ring turns on to frame 9
  ASSERT_TRUE(f.waitForPictures(1));
  EXPECT_EQ(f.framesIn(f.host.pictures()[0].jpegPath), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(FramePipeline, FailedBmpWriteDropsThePictureAndMotionGoesOn) {
  Fixture f;
  f.start();
  std::filesystem::remove_all(f.dir.path());  // the buffer folder vanished
  for (int strip = 0; strip < 3; ++strip) {
    f.ticks(6);
    f.settle();
  }
  EXPECT_TRUE(f.host.pictures().empty());
  EXPECT_EQ(f.pipeline->fileCounter(), 0u);
  EXPECT_FALSE(f.pipeline->stripReady());
  // Said once for the three strips, with the folder and the reason.
  const auto problems = f.host.all<pe::WorkFolderProblem>();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].folder, f.dir.path() + "/");
  EXPECT_EQ(problems[0].reason, "No such file or directory");
  ::mkdir(f.dir.path().c_str(), 0700);
  f.ticks(6);  // the next strip goes without any confirmation
  ASSERT_TRUE(f.waitForPictures(1));
  EXPECT_EQ(f.host.all<pe::WorkFolderRecovered>().size(), 1u);
  EXPECT_EQ(f.host.pictures()[0].jpegPath, f.file("motion_img_00000000.jpg"));
  EXPECT_EQ(f.framesIn(f.file("motion_img_00000000.jpg")),
            (std::vector<int>{19, 20, 21, 22, 23, 24}));
}

TEST(FramePipeline, FailedConversionDropsThePictureAndMotionGoesOn) {
  Fixture f;
  f.start();
  // A folder in the way of the JPEG: it cannot be created.
  ::mkdir(f.file("motion_img_00000000.jpg").c_str(), 0700);
  f.ticks(6);
  f.settle();
  EXPECT_TRUE(f.host.pictures().empty());
  EXPECT_FALSE(testing::fileExists(f.file("motion_img_00000000.bmp")));
  EXPECT_FALSE(f.pipeline->uploadPending());
  ::rmdir(f.file("motion_img_00000000.jpg").c_str());
  f.ticks(6);
  ASSERT_TRUE(f.waitForPictures(1));
  EXPECT_EQ(f.host.pictures()[0].fileCounter, 0u);
  EXPECT_EQ(f.framesIn(f.file("motion_img_00000000.jpg")),
            (std::vector<int>{7, 8, 9, 10, 11, 12}));
}

}  // namespace
}  // namespace karone
