// The dial-up link over the NetworkManager backend: progress arrives on the
// backend's own thread and reaches the link as posted tasks; the link's
// pauses run in fake time while NetworkManager (simulated on a private bus)
// answers in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/DialupLink.h"
#include "platform/networkmanager/NetworkManagerDialupService.h"
#include "platform/networkmanager/NmDialupErrors.h"
#include "resources/Texts.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/support/networkmanager/NetworkManagerMock.h"

namespace karone {
namespace {

using testing::NetworkManagerMock;
using testing::PrivateSystemBus;

class Host final : public DialupHost {
 public:
  void ShowStatus(const std::string& line) override { lines.push_back(line); }
  void QueueConnect() override { ++connects; }
  bool saw(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::vector<std::string> lines;
  int connects = 0;
};

TEST(DialupLinkOnNetworkManager, DialsConnectsAndHangsUp) {
  PrivateSystemBus bus;
  ASSERT_TRUE(bus.started()) << bus.error();
  NetworkManagerMock nm(bus);
  ASSERT_TRUE(nm.started()) << nm.error();
  nm.addProfile("mobile", "gsm", "mobile-user");
  nm.setSecret("mobile", "mobile-pw");
  NetworkManagerOptions options;
  options.busAddress = bus.address();
  std::string error;
  auto service = NetworkManagerDialupService::connect(options, &error);
  ASSERT_TRUE(service) << error;

  FakeClock clock;
  ManualTaskRunner runner;
  FakeTimerQueue timers(clock, &runner);
  Host host;
  DialupLink link(*service, runner, timers, host);
  auto until = [&](const std::function<bool()>& done) {
    for (int i = 0; i < 3000 && !done(); ++i) {
      timers.advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      runner.runPending();
    }
    return done();
  };

  link.setDialParams({"mobile", "", ""});
  // The first activation fails for want of a SIM; the redial connects.
  nm.scriptActivation("mobile", "fail:45");
  EXPECT_TRUE(link.Dial());
  ASSERT_TRUE(until([&] { return host.connects == 1; })) << ::testing::PrintToString(host.lines);
  EXPECT_TRUE(host.saw(formatText(Text::DialupDialling, "mobile", 1, 10)));
  EXPECT_TRUE(host.saw(formatText(Text::DialupErrorDetail, static_cast<int>(NmSimOrPin),
                                  service->errorText(NmSimOrPin).c_str())));
  EXPECT_TRUE(host.saw(formatText(Text::DialupDialling, "mobile", 2, 10)));
  EXPECT_TRUE(host.saw(text(Text::DialupSucceeded)));
  EXPECT_TRUE(link.ExistingConnectionInUse());

  bool down = false;
  link.HangUp([&] { down = true; });
  ASSERT_TRUE(until([&] { return down; }));
  EXPECT_TRUE(host.saw(text(Text::DialupHungUp)));
  EXPECT_TRUE(service->connections().empty());
}

TEST(DialupLinkOnNetworkManager, AnActiveLineIsAdoptedWithoutDialling) {
  PrivateSystemBus bus;
  ASSERT_TRUE(bus.started()) << bus.error();
  NetworkManagerMock nm(bus);
  ASSERT_TRUE(nm.started()) << nm.error();
  nm.addProfile("mobile", "gsm");
  nm.addProfile("Wired", "802-3-ethernet");
  nm.addActiveLine("Wired");
  nm.addActiveLine("mobile");
  NetworkManagerOptions options;
  options.busAddress = bus.address();
  std::string error;
  auto service = NetworkManagerDialupService::connect(options, &error);
  ASSERT_TRUE(service) << error;
  FakeClock clock;
  ManualTaskRunner runner;
  FakeTimerQueue timers(clock, &runner);
  Host host;
  DialupLink link(*service, runner, timers, host);
  EXPECT_TRUE(link.adoptConnectedEntry());
  std::string name;
  EXPECT_TRUE(link.FindConnectedEntry(&name));
  EXPECT_EQ(name, "mobile") << "the machine's own network is never the line";
  EXPECT_FALSE(link.Dial());
  EXPECT_TRUE(host.saw(formatText(Text::DialupUsingExisting, "mobile")));
}

}  // namespace
}  // namespace karone
