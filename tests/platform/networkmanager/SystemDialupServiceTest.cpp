#include "platform/networkmanager/SystemDialupService.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "resources/Texts.h"
#include "tests/support/TempDir.h"
#include "tests/support/networkmanager/NetworkManagerMock.h"

namespace karone {
namespace {

using testing::NetworkManagerMock;
using testing::PrivateSystemBus;

TEST(SystemDialupService, ChoosesNetworkManagerWhenItIsOnTheSystemBus) {
  PrivateSystemBus bus;
  ASSERT_TRUE(bus.started()) << bus.error();
  NetworkManagerMock nm(bus);
  ASSERT_TRUE(nm.started()) << nm.error();
  nm.addProfile("mobile", "gsm");

  // The system bus as the program finds it: through DBUS_SYSTEM_BUS_ADDRESS.
  testing::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.address());
  SystemDialupService chosen = createSystemDialupService();
  EXPECT_TRUE(chosen.networkManager);
  EXPECT_EQ(chosen.reason, text(Text::NmServiceInUse));
  ASSERT_TRUE(chosen.service);
  EXPECT_EQ(chosen.service->entries(), std::vector<std::string>{"mobile"});
}

TEST(SystemDialupService, ChoosesTheNullServiceWithoutNetworkManager) {
  PrivateSystemBus bus;
  ASSERT_TRUE(bus.started()) << bus.error();
  NetworkManagerOptions options;
  options.busAddress = bus.address();
  SystemDialupService chosen = createSystemDialupService(options);
  EXPECT_FALSE(chosen.networkManager);
  EXPECT_EQ(chosen.reason, text(Text::NmServiceMissing));
  ASSERT_TRUE(chosen.service);
  EXPECT_TRUE(chosen.service->entries().empty());
  EXPECT_EQ(chosen.service->dial({"mobile", "", ""}, nullptr).error, DialupUnavailable);
}

TEST(SystemDialupService, ChoosesTheNullServiceWithoutABusOrWhenTheBusIsSilent) {
  testing::TempDir dir;
  NetworkManagerOptions options;
  options.busAddress = "unix:path=" + dir.file("no-bus");
  SystemDialupService none = createSystemDialupService(options);
  EXPECT_FALSE(none.networkManager);
  EXPECT_EQ(none.reason, text(Text::NmServiceNoBus));

  // A socket that takes the connection and never says a word.
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = dir.file("silent");
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  options.busAddress = "unix:path=" + path;
  options.connectTimeoutMs = 200;
  SystemDialupService silent = createSystemDialupService(options);
  EXPECT_FALSE(silent.networkManager);
  EXPECT_EQ(silent.reason, text(Text::NmServiceNoBus));
  ::close(fd);
}

}  // namespace
}  // namespace karone
