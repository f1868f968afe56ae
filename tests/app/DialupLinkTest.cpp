#include "app/DialupLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/NullDialupService.h"
#include "tests/doubles/SimulatedDialupService.h"
#include "resources/Texts.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"

namespace karone {
namespace {

class RecordingHost final : public DialupHost {
 public:
  explicit RecordingHost(const FakeClock& clock) : clock_(clock) {}
  void ShowStatus(const std::string& line) override {
    lines.push_back(line);
    times.push_back(clock_.monotonicMillis());
  }
  void QueueConnect() override { ++connects; }

  std::vector<std::string> lines;
  std::vector<std::int64_t> times;  // fake milliseconds of each line
  int connects = 0;

 private:
  const FakeClock& clock_;
};

std::string dialling(const char* entry, int n) {
  return formatText(Text::DialupDialling, entry, n, DialupLink::kMaxAttempts);
}

std::string failure(int error) {
  return formatText(Text::DialupErrorDetail, error, dialupErrorText(error).c_str());
}

// The test's thread is the window thread; time is fake and moves only when
// the rig lets the timers run.
template <typename Service>
struct Rig {
  Service service;
  FakeClock clock{1'781'000'000};
  ManualTaskRunner runner;
  FakeTimerQueue timers{clock, &runner};
  RecordingHost host{clock};
  DialupLink link{service, runner, timers, host};

  explicit Rig(const char* entry = "isp") { link.setDialParams({entry, "profile-user", "pw"}); }

  // Lets fake time pass: pauses, polls and posted events run in order.
  void settle(std::int64_t seconds = 600) { timers.advanceSeconds(seconds); }

  // Plays the service's thread: delivers the waiting progress events from a
  // thread of its own; they reach the link as posted tasks.
  void deliverFromServiceThread() {
    if constexpr (std::is_same_v<Service, SimulatedDialupService>) {
      for (int round = 0; round < 100; ++round) {
        settle(1);
        if (service.pendingProgress() == 0 && timers.activeCount() == 0) break;
        std::thread serviceThread([&] { service.deliverProgress(); });
        serviceThread.join();
      }
    }
    settle();
  }
};

TEST(DialupLink, AdoptsAConnectedConnectionWithoutDialling) {
  Rig<SimulatedDialupService> rig;
  rig.service.addConnectedConnection("other");
  EXPECT_FALSE(rig.link.Dial()) << "nothing dialled: the caller connects at once";
  EXPECT_EQ(rig.host.lines,
            std::vector<std::string>{formatText(Text::DialupUsingExisting, "other")});
  EXPECT_TRUE(rig.service.dials().empty());
  EXPECT_TRUE(rig.link.ExistingConnectionInUse());
  EXPECT_FALSE(rig.link.WeDialled());
  EXPECT_NE(rig.link.handle(), kNoDialupHandle);

  // At start-up the same connection is taken over silently.
  Rig<SimulatedDialupService> startup;
  const DialupHandle up = startup.service.addConnectedConnection("isp");
  EXPECT_TRUE(startup.link.adoptConnectedEntry());
  EXPECT_TRUE(startup.host.lines.empty());
  EXPECT_EQ(startup.link.handle(), up);
  EXPECT_FALSE(startup.link.Dial());
}

TEST(DialupLink, SuccessfulDialConnectsFtpUnlessOnlyDialling) {
  for (bool dialOnly : {false, true}) {
    SCOPED_TRACE(dialOnly ? "dial only" : "dial and connect");
    Rig<SimulatedDialupService> rig;
    rig.service.addEntry("isp", "stored-user", "stored-pw");
    rig.link.setDialOnly(dialOnly);
    EXPECT_TRUE(rig.link.Dial());
    EXPECT_TRUE(rig.link.WeDialled());
    // The dial follows the pause, without blocking the window thread.
    rig.timers.advance(DialupLink::kDialPauseMillis - 1);
    EXPECT_TRUE(rig.service.dials().empty());
    rig.timers.advance(1);
    EXPECT_EQ(rig.service.dials().size(), 1u);
    rig.deliverFromServiceThread();

    EXPECT_EQ(rig.host.lines, (std::vector<std::string>{dialling("isp", 1),
                                                        text(Text::DialupAuthenticating),
                                                        text(Text::DialupSucceeded)}));
    EXPECT_EQ(rig.host.connects, dialOnly ? 0 : 1);
    EXPECT_FALSE(rig.link.WeDialled());
    EXPECT_TRUE(rig.link.ExistingConnectionInUse());
    EXPECT_EQ(rig.link.DialAttempt(), 0);
    ASSERT_EQ(rig.service.dials().size(), 1u);
    EXPECT_EQ(rig.service.dials()[0].user, "stored-user") << "the entry's own credentials";
    EXPECT_EQ(rig.service.dials()[0].password, "stored-pw");
  }
}

TEST(DialupLink, TenFailuresThenStopAndTheNextDialStartsAgain) {
  struct Case {
    const char* what;
    bool startFails;  // true: the dial never starts; false: it reports an error
  } cases[] = {{"dial does not start", true}, {"dial reports an error", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig<SimulatedDialupService> rig;
    rig.service.addEntry("isp");
    auto scriptTen = [&] {
      for (int i = 0; i < DialupLink::kMaxAttempts; ++i) {
        SimulatedDialupService::Script s;
        if (c.startFails) {
          s.startError = DialupLineBusy;
        } else {
          s.progress = {{DialupState::Dialling, DialupOk}, {DialupState::Dialling, DialupNoAnswer}};
        }
        rig.service.scriptDial(s);
      }
    };
    scriptTen();
    rig.link.Dial();
    rig.deliverFromServiceThread();

    const int error = c.startFails ? DialupLineBusy : DialupNoAnswer;
    std::vector<std::string> expected;
    for (int n = 1; n <= DialupLink::kMaxAttempts; ++n) {
      expected.push_back(dialling("isp", n));
      expected.push_back(text(Text::DialupHungUp));
      expected.push_back(text(Text::DialupFailed));
      expected.push_back(failure(error));
    }
    EXPECT_EQ(rig.host.lines, expected);
    EXPECT_EQ(rig.service.dials().size(), 10u);
    EXPECT_TRUE(rig.link.StopRedial());
    EXPECT_FALSE(rig.link.WeDialled());
    EXPECT_EQ(rig.host.connects, 0);
    // Each attempt follows the previous one's hang-up pause and its own dial pause.
    std::vector<std::int64_t> dialTimes;
    for (int n = 1; n <= DialupLink::kMaxAttempts; ++n)
      for (std::size_t i = 0; i < rig.host.lines.size(); ++i)
        if (rig.host.lines[i] == dialling("isp", n)) dialTimes.push_back(rig.host.times[i]);
    ASSERT_EQ(dialTimes.size(), 10u);
    for (std::size_t i = 1; i < dialTimes.size(); ++i) {
      const std::int64_t gap = dialTimes[i] - dialTimes[i - 1];
      if (c.startFails) {
        EXPECT_EQ(gap, DialupLink::kHangUpWaitMillis + DialupLink::kDialPauseMillis);
      } else {
        EXPECT_GE(gap, DialupLink::kHangUpWaitMillis + DialupLink::kDialPauseMillis);
      }
    }

    // A new dial (connect button, or a schedule's five-minute step) starts
    // a new series at 1/10.
    rig.host.lines.clear();
    scriptTen();
    rig.link.Dial();
    rig.deliverFromServiceThread();
    ASSERT_FALSE(rig.host.lines.empty());
    EXPECT_EQ(rig.host.lines.front(), dialling("isp", 1));
    EXPECT_EQ(rig.service.dials().size(), 20u);
  }
}

TEST(DialupLink, FailureThenSuccessResetsTheSeries) {
  Rig<SimulatedDialupService> rig;
  rig.service.addEntry("isp");
  rig.service.scriptFailures(2, DialupAuthenticationFailed);
  rig.link.Dial();
  rig.deliverFromServiceThread();  // two failures, then the default dial connects
  EXPECT_EQ(rig.service.dials().size(), 3u);
  EXPECT_EQ(rig.host.connects, 1);
  EXPECT_EQ(rig.link.DialAttempt(), 0);
  EXPECT_FALSE(rig.link.StopRedial());
  EXPECT_EQ(rig.host.lines.back(), text(Text::DialupSucceeded));
  EXPECT_NE(std::find(rig.host.lines.begin(), rig.host.lines.end(), dialling("isp", 3)),
            rig.host.lines.end());
}

TEST(DialupLink, HangingUpWhileDiallingStopsRedialling) {
  Rig<SimulatedDialupService> rig;
  rig.service.addEntry("isp");
  SimulatedDialupService::Script s;
  s.progress = {{DialupState::Dialling, DialupOk}, {DialupState::Dialling, DialupLineDropped}};
  s.hangUpQueries = 2;
  rig.service.scriptDial(s);
  rig.link.Dial();
  rig.timers.advance(DialupLink::kDialPauseMillis);  // the dial has started
  // The connect button while dialling:
  rig.link.setStopRedial(true);
  rig.link.HangUp();
  EXPECT_FALSE(rig.link.WeDialled());
  rig.settle(1);
  EXPECT_EQ(rig.host.lines.back(), text(Text::DialupHungUp));
  // What the service still reports about the abandoned dial changes nothing.
  rig.deliverFromServiceThread();
  EXPECT_EQ(rig.service.dials().size(), 1u);
  EXPECT_EQ(rig.host.lines.back(), text(Text::DialupHungUp));
  EXPECT_EQ(rig.host.connects, 0);
}

TEST(DialupLink, HangUpWaitsForTheConnectionToGo) {
  Rig<SimulatedDialupService> rig;
  const DialupHandle up = rig.service.addConnectedConnection("isp", /*hangUpQueries=*/3);
  rig.link.adoptConnectedEntry();
  bool done = false;
  rig.link.HangUp([&] { done = true; });
  EXPECT_EQ(rig.service.hangUps(), std::vector<DialupHandle>{up});
  EXPECT_TRUE(rig.host.lines.empty()) << "not before the connection is gone";
  rig.timers.advance(3 * DialupLink::kHangUpPollMillis);
  EXPECT_EQ(rig.host.lines, std::vector<std::string>{text(Text::DialupHungUp)});
  EXPECT_FALSE(done) << "the pause after a hang-up comes first";
  rig.timers.advance(DialupLink::kHangUpWaitMillis);
  EXPECT_TRUE(done);
  EXPECT_FALSE(rig.link.ExistingConnectionInUse());
  EXPECT_EQ(rig.link.handle(), kNoDialupHandle);
  EXPECT_TRUE(rig.service.connections().empty());
}

TEST(DialupLink, HangUpOfAStaleHandleOnlyWaits) {
  Rig<SimulatedDialupService> rig;
  int done = 0;
  rig.link.HangUp([&] { ++done; });
  rig.link.HangUp([&] { ++done; });  // joins the first
  rig.timers.advance(DialupLink::kHangUpWaitMillis - 1);
  EXPECT_EQ(done, 0);
  rig.timers.advance(1);
  EXPECT_EQ(done, 2);
  EXPECT_TRUE(rig.host.lines.empty());
  EXPECT_TRUE(rig.service.hangUps().empty());
}

TEST(DialupLink, HangUpThatNeverTakesEffectEndsAndSaysSo) {
  Rig<SimulatedDialupService> rig;
  rig.service.addConnectedConnection("isp", /*hangUpQueries=*/1'000'000);
  rig.link.adoptConnectedEntry();
  rig.link.HangUp();
  rig.settle();
  EXPECT_EQ(rig.host.lines, std::vector<std::string>{text(Text::DialupHangUpUnconfirmed)});
  EXPECT_EQ(rig.host.times[0], (DialupLink::kHangUpPollLimit - 1) * DialupLink::kHangUpPollMillis);
  EXPECT_FALSE(rig.link.ExistingConnectionInUse());
}

TEST(DialupLink, WithoutDialupEveryDialFailsWithTheServiceText) {
  Rig<NullDialupService> rig;
  EXPECT_FALSE(rig.link.FindConnectedEntry());
  EXPECT_FALSE(rig.link.adoptConnectedEntry());
  EXPECT_TRUE(rig.link.Dial());
  rig.settle();
  EXPECT_TRUE(rig.link.StopRedial());
  EXPECT_EQ(rig.host.lines.size(), 40u);
  EXPECT_EQ(rig.host.lines[3], failure(DialupUnavailable));
  EXPECT_EQ(rig.host.lines[36], dialling("isp", 10));
  EXPECT_EQ(rig.host.connects, 0);
  EXPECT_FALSE(rig.link.WeDialled());
  EXPECT_FALSE(rig.link.ExistingConnectionInUse());
}

TEST(DialupLink, MissingEntryFailsThroughTheSamePath) {
  Rig<SimulatedDialupService> rig("nowhere");
  rig.link.Dial();
  rig.settle();
  EXPECT_EQ(rig.service.dials().size(), 10u);
  EXPECT_EQ(rig.host.lines[3], failure(DialupNoSuchEntry));
  EXPECT_TRUE(rig.service.dials()[0].user.empty());
}

}  // namespace
}  // namespace karone
