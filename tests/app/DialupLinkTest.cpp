#include "app/DialupLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/QueuedDialEventRelay.h"
#include "platform/NullDialupService.h"
#include "tests/doubles/SimulatedDialupService.h"
#include "resources/Texts.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"

namespace karone {
namespace {

class RecordingHost final : public DialupHost {
 public:
  explicit RecordingHost(QueuedDialEventRelay& relay) : relay_(relay) {}
  void ShowStatus(const std::string& line) override { lines.push_back(line); }
  void QueueConnect() override { ++connects; }
  void pumpMessages() override {
    ++pumps;
    relay_.pump();
  }

  std::vector<std::string> lines;
  int connects = 0;
  int pumps = 0;

 private:
  QueuedDialEventRelay& relay_;
};

std::string dialling(const char* entry, int n) {
  return formatText(Text::DialupDialling, entry, n, DialupLink::kMaxAttempts);
}

std::string failure(int error) {
  return formatText(Text::DialupErrorDetail, error, dialupErrorText(error).c_str());
}

template <typename Service>
struct Rig {
  Service service;
  QueuedDialEventRelay relay;  // this test's thread is the window thread
  RecordingHost host{relay};
  FakeClock clock{1'781'000'000};
  FakeSleeper sleeper{&clock};
  DialupLink link{service, relay, host, sleeper};

  explicit Rig(const char* entry = "isp") { link.setDialParams({entry, "profile-user", "pw"}); }

  // Plays the service's thread: delivers the waiting progress events from
  // a thread of its own while this (window) thread handles them.
  void deliverFromServiceThread() {
    if constexpr (std::is_same_v<Service, SimulatedDialupService>) {
      while (service.pendingProgress() > 0) {
        std::atomic<bool> finished{false};
        std::thread serviceThread([&] {
          service.deliverProgress();
          finished = true;
          relay.wake();
        });
        relay.pumpUntil([&] { return finished.load(); });
        serviceThread.join();
      }
    }
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
    EXPECT_EQ(rig.sleeper.totalMillis(), DialupLink::kDialPauseMillis);
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
    EXPECT_EQ(rig.sleeper.totalMillis(),
              10 * (DialupLink::kDialPauseMillis + DialupLink::kHangUpWaitMillis));

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
  // The connect button while dialling:
  rig.link.setStopRedial(true);
  rig.link.HangUp();
  EXPECT_FALSE(rig.link.WeDialled());
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
  rig.link.HangUp();
  EXPECT_EQ(rig.service.hangUps(), std::vector<DialupHandle>{up});
  EXPECT_EQ(rig.host.pumps, 4) << "messages pumped between queries until it was gone";
  EXPECT_EQ(rig.host.lines, std::vector<std::string>{text(Text::DialupHungUp)});
  EXPECT_FALSE(rig.link.ExistingConnectionInUse());
  EXPECT_EQ(rig.link.handle(), kNoDialupHandle);
  EXPECT_TRUE(rig.service.connections().empty());
}

TEST(DialupLink, HangUpOfAStaleHandleOnlyWaits) {
  Rig<SimulatedDialupService> rig;
  rig.link.HangUp();
  EXPECT_TRUE(rig.host.lines.empty());
  EXPECT_TRUE(rig.service.hangUps().empty());
  EXPECT_EQ(rig.sleeper.totalMillis(), DialupLink::kHangUpWaitMillis);
  EXPECT_EQ(rig.sleeper.calls(), 1);
}

TEST(DialupLink, HangUpThatNeverTakesEffectEndsAndSaysSo) {
  Rig<SimulatedDialupService> rig;
  rig.service.addConnectedConnection("isp", /*hangUpQueries=*/1'000'000);
  rig.link.adoptConnectedEntry();
  rig.link.HangUp();
  EXPECT_EQ(rig.host.lines, std::vector<std::string>{text(Text::DialupHangUpUnconfirmed)});
  EXPECT_EQ(rig.host.pumps, DialupLink::kHangUpPollLimit);
  EXPECT_FALSE(rig.link.ExistingConnectionInUse());
}

TEST(DialupLink, WithoutDialupEveryDialFailsWithTheServiceText) {
  Rig<NullDialupService> rig;
  EXPECT_FALSE(rig.link.FindConnectedEntry());
  EXPECT_FALSE(rig.link.adoptConnectedEntry());
  EXPECT_TRUE(rig.link.Dial());
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
  EXPECT_EQ(rig.service.dials().size(), 10u);
  EXPECT_EQ(rig.host.lines[3], failure(DialupNoSuchEntry));
  EXPECT_TRUE(rig.service.dials()[0].user.empty());
}

TEST(QueuedDialEventRelay, RelayReturnsOnlyAfterTheWindowThreadRanIt) {
  QueuedDialEventRelay relay;
  std::atomic<bool> handled{false}, sawHandled{false}, finished{false};
  std::thread::id ranOn;
  std::thread service([&] {
    relay.relay([&] {
      ranOn = std::this_thread::get_id();
      handled = true;
    });
    sawHandled = handled.load();
    finished = true;
    relay.wake();
  });
  relay.pumpUntil([&] { return finished.load(); });
  service.join();
  EXPECT_TRUE(sawHandled);
  EXPECT_EQ(ranOn, std::this_thread::get_id());

  // On the window thread itself it runs at once.
  bool inline_ = false;
  relay.relay([&] { inline_ = true; });
  EXPECT_TRUE(inline_);
}

TEST(QueuedDialEventRelay, CloseReleasesTheServiceThread) {
  QueuedDialEventRelay relay;
  std::atomic<bool> ran{false};
  std::thread service([&] { relay.relay([&] { ran = true; }); });
  relay.close();
  service.join();  // returns whether it queued before or after close()
  relay.pump();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace karone
