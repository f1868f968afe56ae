// The camera watch: when a camera counts as gone, and the pace of the
// attempts to reopen it. Then the frame pipeline around it in fake time: a
// camera that breaks in the middle of a motion session is reported, no
// strip is made of frames from before, it is reopened with back-off and the
// session resumes with the next running number.
#include "capture/CameraWatch.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "capture/FramePipeline.h"
#include "resources/Texts.h"
#include "tests/capture/RecordingPipelineHost.h"
#include "tests/capture/ScriptedFrameSource.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

namespace pe = pipelineevent;

TEST(CameraWatch, GoneOnAFailureOrAfterFiveSilentSeconds) {
  using namespace std::chrono_literals;
  CameraWatch watch;
  watch.opened();
  EXPECT_FALSE(watch.check(4999ms, ""));
  EXPECT_EQ(watch.check(5s, ""), "no picture for 5 seconds");
  EXPECT_EQ(watch.check(0ms, "the camera's stream ended"), "the camera's stream ended");
  // A source whose silence means nothing is never silent.
  EXPECT_FALSE(watch.check(std::nullopt, ""));
  watch.closed();
  EXPECT_FALSE(watch.check(1h, "broken"));
}

TEST(CameraWatch, RetriesAfter1_2_4_8_16ThenEvery30Seconds) {
  CameraWatch watch;
  watch.opened();
  watch.gone(1000);
  std::vector<Seconds> attempts;
  for (Seconds now = 1000; now <= 1200; ++now) {
    if (!watch.retryDue(now)) continue;
    attempts.push_back(now - 1000);
    watch.retryFailed(now);
  }
  EXPECT_EQ(attempts, (std::vector<Seconds>{1, 3, 7, 15, 31, 61, 91, 121, 151, 181}));
  EXPECT_EQ(watch.goneFor(1200), 200);
  // Back and gone again: the pace starts over.
  watch.opened();
  watch.gone(1300);
  EXPECT_FALSE(watch.retryDue(1300));
  EXPECT_TRUE(watch.retryDue(1301));
}

struct Session {
  Session() {
    source.countsFrames = true;
    FramePipeline::Options options;
    options.bufferFolder = dir.path();
    pipeline = std::make_unique<FramePipeline>(source, runner, host.host(), prompter, clock,
                                               timers, options);
    EXPECT_EQ(pipeline->EnableDevice(), 0);
    pipeline->AllocateSlots(pipeline->framesPerStrip());
    EXPECT_TRUE(pipeline->StartCapture(false, {}));
  }
  // Seconds of a live camera sending a frame every second (unless frozen).
  void run(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      source.frame();
      timers.advanceSeconds(1);
      runner.runUntil([&] { return pipeline->workerIdle() && !pipeline->reopening(); });
      for (const auto& p : host.pictures()) {
        if (p.fileCounter >= confirmed) {
          confirmed = p.fileCounter + 1;
          pipeline->ClearUploadFlags();
        }
      }
    }
  }

  karone::testing::TempDir dir;
  testing::ScriptedFrameSource source;
  ManualTaskRunner runner;
  testing::RecordingPipelineHost host;
  RecordingPrompter prompter;
  FakeClock clock{1'700'000'000};
  FakeTimerQueue timers{clock};
  std::unique_ptr<FramePipeline> pipeline;
  std::uint32_t confirmed = 0;
};

TEST(CameraWatch, APipelineLosesItsCameraReopensItAndGoesOn) {
  Session s;
  s.run(7);
  ASSERT_EQ(s.host.pictures().size(), 1u);
  // Three frames into the next strip the camera breaks.
  s.run(3);
  s.source.failure = "the camera's stream broke off";
  s.source.failBind = true;  // and stays away for a while
  s.run(1);
  ASSERT_EQ(s.host.count<pe::CameraLost>(), 1);
  EXPECT_EQ(s.host.all<pe::CameraLost>()[0].reason, "the camera's stream broke off");
  EXPECT_EQ(s.host.lastStatus(), text(Text::CameraLostStatus));
  EXPECT_TRUE(s.pipeline->cameraGone());
  EXPECT_TRUE(s.pipeline->capturing());  // the session itself goes on
  const int buildsWhenLost = s.source.builds;

  s.run(20);  // attempts after 1, 2, 4 and 8 more seconds
  EXPECT_EQ(s.source.builds, buildsWhenLost);  // binding failed every time
  EXPECT_EQ(s.host.pictures().size(), 1u);     // nothing from stale frames
  EXPECT_TRUE(s.prompter.prompts().empty());

  s.source.failure.clear();
  s.source.failBind = false;
  s.run(12);  // the attempt 16 s after the last one
  ASSERT_EQ(s.host.count<pe::CameraReturned>(), 1);
  EXPECT_EQ(s.host.all<pe::CameraReturned>()[0].secondsGone, 31);
  EXPECT_FALSE(s.pipeline->cameraGone());
  // A whole new strip of new frames, under the next running number.
  s.run(8);
  const auto pictures = s.host.pictures();
  ASSERT_GE(pictures.size(), 2u);
  EXPECT_EQ(pictures[1].fileCounter, pictures[0].fileCounter + 1);
}

TEST(CameraWatch, ACameraThatFallsSilentIsReopened) {
  Session s;
  s.run(3);
  s.source.frozen = true;
  s.run(5);
  ASSERT_EQ(s.host.count<pe::CameraLost>(), 1);
  EXPECT_EQ(s.host.all<pe::CameraLost>()[0].reason, "no picture for 5 seconds");
  s.source.frozen = false;
  s.run(2);
  EXPECT_EQ(s.host.count<pe::CameraReturned>(), 1);
}

TEST(CameraWatch, TheOwnersThreadGoesOnWhileACameraTakesLongToReopen) {
  Session s;
  s.run(3);
  std::promise<void> answer;
  s.source.startHeld = answer.get_future().share();
  s.source.failure = "the camera's stream broke off";
  s.run(1);
  s.source.failure.clear();
  ASSERT_TRUE(s.pipeline->cameraGone());

  // The attempt starts the camera on the opener thread, which now waits for
  // an answer that does not come; the owner's thread runs its tasks and
  // ticks meanwhile, and starts no second attempt.
  s.timers.advanceSeconds(1);
  ASSERT_TRUE(s.pipeline->reopening());
  bool ran = false;
  s.runner.post([&] { ran = true; });
  s.timers.advanceSeconds(5);
  s.runner.runPending();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(s.pipeline->reopening());
  EXPECT_EQ(s.host.count<pe::CameraReturned>(), 0);

  answer.set_value();
  ASSERT_TRUE(s.runner.runUntil([&] { return !s.pipeline->reopening(); }));
  EXPECT_EQ(s.source.startsBegun.load(), 1);
  ASSERT_EQ(s.host.count<pe::CameraReturned>(), 1);
  EXPECT_FALSE(s.pipeline->cameraGone());
}

TEST(CameraWatch, ADeviceClosedWhileItReopensStaysClosed) {
  Session s;
  std::promise<void> answer;
  s.source.startHeld = answer.get_future().share();
  s.source.failure = "unplugged";
  s.run(1);
  s.source.failure.clear();
  s.timers.advanceSeconds(1);
  ASSERT_TRUE(s.pipeline->reopening());
  s.pipeline->disableDevice();
  answer.set_value();
  // What the opener says of the dropped attempt comes back and is ignored.
  while (s.runner.runPending() == 0) std::this_thread::yield();
  s.timers.advanceSeconds(2);
  EXPECT_FALSE(s.pipeline->graphRunning());
  EXPECT_EQ(s.host.count<pe::CameraReturned>(), 0);
}

}  // namespace
}  // namespace karone
