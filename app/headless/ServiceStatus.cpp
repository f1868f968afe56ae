#include "app/headless/ServiceStatus.h"

#include "resources/Texts.h"

namespace karone {

std::string serviceStatusLine(const BroadcastState& s) {
  std::string state;
  if (s.ending) {
    state = text(Text::ServiceEnding);
  } else if (s.capturing) {
    state = formatText(Text::ServiceSending, s.profile.c_str(), s.address.c_str());
  } else if (s.connected) {
    state = formatText(Text::ServiceConnected, s.profile.c_str(), s.address.c_str());
  } else if (s.reconnecting) {
    state = formatText(Text::ServiceReconnecting, s.reconnectMinutes);
  } else {
    state = text(Text::ServiceNotConnected);
  }
  if (s.suspect && s.connected && !s.ending) state += text(Text::ServiceSuspect);
  if (s.lastLine.empty()) return state;
  return formatText(Text::ServiceLast, state.c_str(), s.lastLine.c_str());
}

ServiceStatus::ServiceStatus(const SystemdNotifier& notifier, TimerService& timers,
                             RunController& controller)
    : notifier_(notifier),
      controller_(controller),
      status_(timers.createTimer([this] { update(""); })),
      watchdog_(timers.createTimer([this] { notifier_.notify("WATCHDOG=1"); })) {}

BroadcastState ServiceStatus::state() const {
  BroadcastState s;
  s.ending = ending_ || controller_.exitArmed();
  s.capturing = controller_.capturing();
  s.connected = controller_.connected();
  s.suspect = controller_.sessionSuspect();
  s.reconnecting = controller_.reconnectActive();
  s.reconnectMinutes = controller_.reconnectCountdown();
  s.profile = controller_.activeProfile().name;
  s.address = controller_.activeProfile().address;
  s.lastLine = *lastLine_;
  return s;
}

void ServiceStatus::update(const char* prefix) {
  const std::string line = serviceStatusLine(state());
  if (line == sent_ && *prefix == '\0') return;
  sent_ = line;
  notifier_.notify(std::string(prefix) + "STATUS=" + line);
}

void ServiceStatus::ready() {
  if (!notifier_.enabled()) return;
  update("READY=1\n");
  status_->start(1000);
  if (auto interval = notifier_.watchdogPingInterval()) {
    notifier_.notify("WATCHDOG=1");
    watchdog_->start(interval->count());
  }
}

void ServiceStatus::stopping() {
  if (ending_ || !notifier_.enabled()) return;
  ending_ = true;
  update("STOPPING=1\n");
}

}  // namespace karone
