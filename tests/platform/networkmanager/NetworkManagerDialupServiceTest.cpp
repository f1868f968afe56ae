#include "platform/networkmanager/NetworkManagerDialupService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "platform/networkmanager/NmDialupErrors.h"
#include "resources/Texts.h"
#include "tests/support/networkmanager/NetworkManagerMock.h"

namespace karone {
namespace {

using testing::NetworkManagerMock;
using testing::PrivateSystemBus;

constexpr auto kWait = std::chrono::seconds(15);
constexpr std::uint32_t kDeactivated = 4;

// Collects a dial's progress events and the threads they came on.
class Progress {
 public:
  DialupService::ProgressFunction function() {
    return [this](const DialupProgress& p) {
      std::lock_guard lock(mutex_);
      events_.push_back(p);
      threads_.insert(std::this_thread::get_id());
      changed_.notify_all();
    };
  }
  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return events_.size() >= count; });
  }
  std::vector<DialupProgress> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::set<std::thread::id> threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }
  DialupProgress last() {
    std::lock_guard lock(mutex_);
    return events_.empty() ? DialupProgress{} : events_.back();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DialupProgress> events_;
  std::set<std::thread::id> threads_;
};

template <typename Predicate>
bool eventually(Predicate predicate) {
  auto deadline = std::chrono::steady_clock::now() + kWait;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class NetworkManagerDialupServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus.started()) << bus.error();
    ASSERT_TRUE(nm.started()) << nm.error();
    nm.addProfile("mobile", "gsm", "mobile-user");
    nm.setSecret("mobile", "mobile-pw");
    nm.addProfile("Wired", "802-3-ethernet");
    std::string error;
    NetworkManagerOptions options;
    options.busAddress = bus.address();
    service = NetworkManagerDialupService::connect(options, &error);
    ASSERT_TRUE(service) << error;
    ASSERT_TRUE(service->networkManagerRunning());
  }

  // Dials "mobile" with its stored credentials, as the dial-up link does.
  DialupStart dialMobile(Progress& progress) {
    return service->dial({"mobile", "mobile-user", "mobile-pw"}, progress.function());
  }

  PrivateSystemBus bus;
  NetworkManagerMock nm{bus};
  std::unique_ptr<NetworkManagerDialupService> service;
};

TEST_F(NetworkManagerDialupServiceTest, ListsOnlyLineProfilesWithWhatTheServiceGivesOut) {
  nm.addProfile("evdo", "cdma", "evdo-user");
  nm.setSecret("evdo", "evdo-pw", /*denied=*/true);
  nm.addProfile("flets", "pppoe", "flets-user", /*agent-owned password*/ 1);
  nm.addProfile("phone", "bluetooth-dun");
  nm.addProfile("pan", "bluetooth-panu");
  nm.addProfile("Home", "802-11-wireless");

  EXPECT_EQ(service->entries(), (std::vector<std::string>{"mobile", "evdo", "flets", "phone"}));
  EXPECT_EQ(service->readEntries().error, DialupOk);

  auto mobile = service->storedCredentials("mobile");
  ASSERT_TRUE(mobile);
  EXPECT_EQ(mobile->user, "mobile-user");
  EXPECT_EQ(mobile->password, "mobile-pw");
  auto evdo = service->storedCredentials("evdo");
  ASSERT_TRUE(evdo);
  EXPECT_EQ(evdo->user, "evdo-user");
  EXPECT_EQ(evdo->password, "") << "reading the password was refused";
  auto flets = service->storedCredentials("flets");
  ASSERT_TRUE(flets);
  EXPECT_EQ(flets->user, "flets-user");
  EXPECT_EQ(flets->password, "");
  EXPECT_FALSE(contains(nm.calls(), "GetSecrets flets pppoe"))
      << "a password kept by a user's agent is not asked for";
  EXPECT_FALSE(service->storedCredentials("Wired"));
  EXPECT_FALSE(service->storedCredentials("pan"));
  EXPECT_FALSE(service->storedCredentials("nowhere"));
}

TEST_F(NetworkManagerDialupServiceTest, AdoptsAnActiveLineAndNothingElse) {
  nm.addProfile("pan", "bluetooth-panu");
  nm.addActiveLine("Wired");
  nm.addActiveLine("pan");
  nm.addActiveLine("mobile");

  auto connections = service->connections();
  ASSERT_EQ(connections.size(), 1u) << "only the line is a dial-up connection";
  EXPECT_EQ(connections[0].entryName, "mobile");
  DialupStatus status = service->status(connections[0].handle);
  EXPECT_FALSE(status.gone);
  EXPECT_EQ(status.state, DialupState::Connected);
  EXPECT_EQ(service->connections()[0].handle, connections[0].handle) << "the handle is stable";

  // Dropped by NetworkManager: the status says so.
  nm.setActiveState(nm.activePathOf("mobile"), kDeactivated, 3);
  EXPECT_TRUE(eventually([&] { return service->status(connections[0].handle).gone; }));
  EXPECT_TRUE(service->connections().empty());
}

TEST_F(NetworkManagerDialupServiceTest, ADialThatSucceedsReportsDiallingThenConnected) {
  Progress progress;
  DialupStart start = dialMobile(progress);
  ASSERT_EQ(start.error, DialupOk);
  ASSERT_TRUE(progress.waitFor(2));
  auto events = progress.events();
  EXPECT_EQ(events[0].state, DialupState::Dialling);
  EXPECT_EQ(events[1].state, DialupState::Connected);
  EXPECT_EQ(events[1].error, DialupOk);
  auto threads = progress.threads();
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u) << "events come on the service's thread";

  DialupStatus status = service->status(start.handle);
  EXPECT_FALSE(status.gone);
  EXPECT_EQ(status.state, DialupState::Connected);
  auto connections = service->connections();
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0].handle, start.handle);
  auto calls = nm.calls();
  EXPECT_TRUE(contains(calls, "ActivateConnection mobile"));
  for (const auto& call : calls) {
    EXPECT_EQ(call.rfind("Update2", 0), std::string::npos) << "the stored credentials need no update";
  }
}

TEST_F(NetworkManagerDialupServiceTest, ADialThatFailsCarriesNetworkManagersReason) {
  struct Case {
    const char* outcome;
    int error;
  } cases[] = {
      {"fail:45", NmSimOrPin},    {"fail:46", NmSimOrPin},  {"fail:43", NmNoModem},
      {"fail:25", NmNoCarrier},   {"fail:26", NmTimedOut},  {"fail:7", DialupAuthenticationFailed},
      {"fail:23", DialupLineBusy}, {"fail:29", kNmDeviceReasonBase + 29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome);
    nm.scriptActivation("mobile", c.outcome);
    Progress progress;
    DialupStart start = dialMobile(progress);
    ASSERT_EQ(start.error, DialupOk);
    ASSERT_TRUE(progress.waitFor(1));
    ASSERT_TRUE(eventually([&] { return progress.last().error != DialupOk; }));
    EXPECT_EQ(progress.last().error, c.error);
    EXPECT_TRUE(service->status(start.handle).gone);
    EXPECT_FALSE(service->errorText(c.error).empty());
  }
  EXPECT_EQ(service->errorText(NmSimOrPin), text(Text::NmErrorSimOrPin));

  // The modem stays fine but the activation times out: the connection's
  // own reason counts.
  nm.scriptActivation("mobile", "hold");
  Progress progress;
  ASSERT_EQ(dialMobile(progress).error, DialupOk);
  ASSERT_TRUE(progress.waitFor(1));
  EXPECT_EQ(progress.events()[0].state, DialupState::Dialling);
  nm.setActiveState(nm.activePathOf("mobile"), kDeactivated, 6);
  ASSERT_TRUE(progress.waitFor(2));
  EXPECT_EQ(progress.last().error, NmTimedOut);
  EXPECT_EQ(service->errorText(NmTimedOut), text(Text::NmErrorTimedOut));
}

TEST_F(NetworkManagerDialupServiceTest, ADialThatCannotStartSaysWhy) {
  Progress progress;
  EXPECT_EQ(service->dial({"nowhere", "", ""}, progress.function()).error, DialupNoSuchEntry);
  EXPECT_EQ(service->dial({"Wired", "", ""}, progress.function()).error, DialupNoSuchEntry)
      << "the machine's own network is no phone-book entry";
  EXPECT_FALSE(contains(nm.calls(), "ActivateConnection Wired"));

  nm.scriptActivation("mobile", "error:org.freedesktop.NetworkManager.PermissionDenied");
  EXPECT_EQ(dialMobile(progress).error, NmPermissionDenied);
  nm.scriptActivation("mobile", "error:org.freedesktop.NetworkManager.UnknownDevice");
  EXPECT_EQ(dialMobile(progress).error, NmNoModem);
  EXPECT_TRUE(progress.events().empty());
}

TEST_F(NetworkManagerDialupServiceTest, CredentialsOtherThanTheStoredOnesAreAppliedInMemory) {
  Progress progress;
  DialupStart start = service->dial({"mobile", "other-user", "other-pw"}, progress.function());
  ASSERT_EQ(start.error, DialupOk);
  ASSERT_TRUE(progress.waitFor(2));
  auto calls = nm.calls();
  auto update = std::find(calls.begin(), calls.end(),
                          "Update2 mobile flags=68 user=other-user password=other-pw");
  auto activate = std::find(calls.begin(), calls.end(), "ActivateConnection mobile");
  ASSERT_NE(update, calls.end()) << "in memory only (the saved file stays), no reapply";
  EXPECT_LT(update, activate);
}

TEST_F(NetworkManagerDialupServiceTest, HangUpDeactivatesAndTheConnectionGoes) {
  Progress progress;
  DialupStart start = dialMobile(progress);
  ASSERT_EQ(start.error, DialupOk);
  ASSERT_TRUE(progress.waitFor(2));

  service->hangUp(start.handle);
  EXPECT_TRUE(eventually([&] { return service->status(start.handle).gone; }));
  EXPECT_TRUE(contains(nm.calls(), "DeactivateConnection mobile"));
  EXPECT_EQ(progress.events().size(), 2u) << "nothing more after the final event";
  service->hangUp(start.handle);  // gone: ignored
  service->hangUp(12345);

  // Hung up while dialling: no event follows.
  nm.scriptActivation("mobile", "hold");
  Progress held;
  DialupStart second = dialMobile(held);
  ASSERT_TRUE(held.waitFor(1));
  service->hangUp(second.handle);
  EXPECT_TRUE(eventually([&] { return service->status(second.handle).gone; }));
  EXPECT_EQ(held.events().size(), 1u);
}

TEST_F(NetworkManagerDialupServiceTest, NetworkManagerLeavingDuringADialFailsItCleanly) {
  nm.scriptActivation("mobile", "hold");
  Progress progress;
  DialupStart start = dialMobile(progress);
  ASSERT_EQ(start.error, DialupOk);
  ASSERT_TRUE(progress.waitFor(1));

  nm.stop();
  ASSERT_TRUE(progress.waitFor(2));
  EXPECT_EQ(progress.last().error, NmStopped);
  EXPECT_EQ(service->errorText(NmStopped), text(Text::NmErrorStopped));
  EXPECT_TRUE(service->status(start.handle).gone);
  EXPECT_TRUE(service->connections().empty());
  EXPECT_TRUE(service->entries().empty());
  EXPECT_EQ(service->readEntries().error, NmNotRunning) << "the phone book says why it is empty";
  EXPECT_EQ(dialMobile(progress).error, NmNotRunning);
  EXPECT_FALSE(service->networkManagerRunning());
}

TEST_F(NetworkManagerDialupServiceTest, ASilentNetworkManagerCostsOneTimeOutPerCall) {
  NetworkManagerOptions options;
  options.busAddress = bus.address();
  options.callTimeoutMs = 200;
  std::string error;
  auto impatient = NetworkManagerDialupService::connect(options, &error);
  ASSERT_TRUE(impatient) << error;
  nm.addActiveLine("mobile");
  auto connections = impatient->connections();
  ASSERT_EQ(connections.size(), 1u);

  nm.freeze();
  Progress progress;
  EXPECT_EQ(impatient->dial({"mobile", "", ""}, progress.function()).error, NmNoResponse);
  EXPECT_EQ(impatient->readEntries().error, NmNoResponse);
  EXPECT_FALSE(impatient->status(connections[0].handle).gone)
      << "the status is what NetworkManager said last";
  nm.thaw();
  EXPECT_EQ(impatient->entries().size(), 1u);
}

TEST_F(NetworkManagerDialupServiceTest, TheBusGoingAwayEndsEverythingWithoutHanging) {
  nm.scriptActivation("mobile", "hold");
  Progress progress;
  ASSERT_EQ(dialMobile(progress).error, DialupOk);
  ASSERT_TRUE(progress.waitFor(1));

  bus.stop();
  ASSERT_TRUE(progress.waitFor(2));
  EXPECT_EQ(progress.last().error, NmStopped);
  EXPECT_EQ(dialMobile(progress).error, NmNotRunning);
  EXPECT_TRUE(service->entries().empty());
  EXPECT_FALSE(service->storedCredentials("mobile"));
}

}  // namespace
}  // namespace karone
