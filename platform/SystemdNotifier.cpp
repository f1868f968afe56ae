#include "platform/SystemdNotifier.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace karone {

SystemdNotifier SystemdNotifier::fromEnvironment() {
  const char* socket = std::getenv("NOTIFY_SOCKET");
  long long usec = 0;
  if (const char* watchdog = std::getenv("WATCHDOG_USEC")) {
    char* end = nullptr;
    usec = std::strtoll(watchdog, &end, 10);
    if (end == watchdog || *end != '\0' || usec < 0) usec = 0;
    // A watchdog meant for another process of the service is not ours.
    if (const char* pid = std::getenv("WATCHDOG_PID")) {
      if (std::strtoll(pid, nullptr, 10) != static_cast<long long>(::getpid())) usec = 0;
    }
  }
  return SystemdNotifier(socket ? socket : "", usec);
}

SystemdNotifier::SystemdNotifier(std::string socketPath, long long watchdogUsec)
    : socketPath_(std::move(socketPath)), watchdogUsec_(watchdogUsec > 0 ? watchdogUsec : 0) {
  // Only absolute paths and abstract names are addresses of the manager.
  if (!socketPath_.empty() && socketPath_[0] != '/' && socketPath_[0] != '@') socketPath_.clear();
}

std::optional<std::chrono::milliseconds> SystemdNotifier::watchdogPingInterval() const {
  if (!enabled() || watchdogUsec_ == 0) return std::nullopt;
  const long long millis = watchdogUsec_ / 2000;
  return std::chrono::milliseconds(millis > 0 ? millis : 1);
}

bool SystemdNotifier::notify(const std::string& assignments) const {
  if (!enabled()) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';
  const socklen_t length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socketPath_.size());
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // Never wait for the manager: a full queue drops the message rather than
  // holding up the thread that sends it (the controller's).
  const ssize_t sent = ::sendto(fd, assignments.data(), assignments.size(),
                                MSG_NOSIGNAL | MSG_DONTWAIT,
                                reinterpret_cast<const sockaddr*>(&address), length);
  ::close(fd);
  return sent == static_cast<ssize_t>(assignments.size());
}

}  // namespace karone
