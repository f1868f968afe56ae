#include "platform/SignalWatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace karone {
namespace {

std::atomic<int> writeEnd{-1};
std::atomic<int> seen{0};

void onSignal(int signal) {
  if (seen.fetch_add(1) >= 1) ::_exit(128 + signal);
  const int fd = writeEnd.load();
  const unsigned char byte = static_cast<unsigned char>(signal);
  if (fd >= 0) {
    const int saved = errno;
    (void)!::write(fd, &byte, 1);
    errno = saved;
  }
}

}  // namespace

SignalWatcher::SignalWatcher(TaskRunner& runner, std::function<void(int)> onSignal_,
                             std::initializer_list<int> signals)
    : runner_(runner), onSignal_(std::move(onSignal_)), signals_(signals) {
  if (::pipe2(pipe_, O_CLOEXEC) != 0) return;
  seen = 0;
  writeEnd = pipe_[1];
  reader_ = std::thread([this] { readLoop(); });
  struct sigaction action{};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  previous_.resize(signals_.size());
  for (std::size_t i = 0; i < signals_.size(); ++i)
    ::sigaction(signals_[i], &action, &previous_[i]);
  watching_ = true;
}

SignalWatcher::~SignalWatcher() {
  if (!watching_) return;
  for (std::size_t i = 0; i < signals_.size(); ++i)
    ::sigaction(signals_[i], &previous_[i], nullptr);
  writeEnd = -1;
  const unsigned char stop = 0;
  (void)!::write(pipe_[1], &stop, 1);
  reader_.join();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void SignalWatcher::readLoop() {
  for (;;) {
    unsigned char byte = 0;
    const ssize_t n = ::read(pipe_[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1 || byte == 0) return;
    const int signal = byte;
    runner_.post([callback = onSignal_, signal] { callback(signal); });
  }
}

}  // namespace karone
