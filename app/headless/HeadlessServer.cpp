#include "app/headless/HeadlessServer.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "app/RunController.h"
#include "app/headless/ConsoleView.h"
#include "app/headless/HeadlessPrompter.h"
#include "platform/EventLoop.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/SettingsStorage.h"
#include "platform/curl/CurlFtpClient.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "platform/networkmanager/SystemDialupService.h"
#include "resources/Texts.h"

namespace karone {
namespace {

std::atomic<int> signalsSeen{0};

void onSignal(int signal) {
  // The first signal asks for the orderly exit; the second ends at once.
  if (signalsSeen.fetch_add(1) >= 1) ::_exit(128 + signal);
}

void installSignalHandlers() {
  struct sigaction action{};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

std::string joined(const std::vector<std::string>& names) {
  if (names.empty()) return text(Text::ServerNone);
  std::string all;
  for (const auto& n : names) all += (all.empty() ? "\"" : ", \"") + n + "\"";
  return all;
}

// The headless program opens no dialog: every one of them is "cancelled".
class NoDialogs final : public Dialogs {
 public:
  std::optional<ProfileInfo> editProfile(const ProfileEditRequest&) override {
    return std::nullopt;
  }
  bool editCaptureSettings(CaptureSettings&, const std::vector<std::string>&) override {
    return false;
  }
  void showScheduler(SchedulerContext&) override {}
  void showColourSettings(VideoProcAmp&) override {}
  void showAbout() override {}
};

}  // namespace

std::string parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    if (a == "--headless") continue;
    if (a == "--help" || a == "-h") {
      options.help = true;
    } else if (a == "--no-start") {
      options.noStart = true;
    } else if (a == "--profile") {
      if (!value(options.profile) || options.profile.empty())
        return "--profile needs a profile name";
    } else if (a == "--device") {
      if (!value(options.device) || options.device.empty()) return "--device needs a device name";
    } else if (a == "--ftp-timeout") {
      std::string s;
      char* end = nullptr;
      const long n = value(s) ? std::strtol(s.c_str(), &end, 10) : 0;
      if (s.empty() || *end != '\0' || n < 1 || n > 600)
        return "--ftp-timeout needs a number of seconds from 1 to 600";
      options.ftpTimeoutSeconds = static_cast<int>(n);
    } else {
      return "unknown option " + a;
    }
  }
  return {};
}

int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
  if (options.help) {
    out << text(Text::ServerHelp) << "\n";
    return 0;
  }
  const std::string dataFolder = paths::dataDir();
  InstanceLock lock(dataFolder, "karone-server --headless");
  if (!lock.held()) {
    if (lock.holder()) {
      err << formatText(Text::ServerAlreadyRunning, lock.holder()->program.c_str(),
                        lock.holder()->pid, dataFolder.c_str())
          << "\n";
    } else {
      err << formatText(Text::ServerLockFailed, dataFolder.c_str(), lock.error().c_str()) << "\n";
    }
    return 1;
  }

  EventLoop loop;
  ConsoleView view(out, [&loop] { loop.quit(); });
  HeadlessPrompter prompter(out);
  NoDialogs dialogs;
  CurlFtpOptions ftp;
  ftp.connectTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  ftp.responseTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  ftp.requestTimeoutMs = 4000L * options.ftpTimeoutSeconds;
  CurlFtpClient client(ftp);
  GstVideoCapture camera;
  SystemDialupService dialup = createSystemDialupService();
  FileSettingsStorage settings;

  RunController::Parts parts(loop, loop, SystemClock::instance(), prompter, dialogs, view, client,
                             camera, *dialup.service, settings);
  parts.startupNotes = {dialup.reason};
  RunController controller(parts);
  controller.start();

  // The profile: the one named, or the line the window last had selected.
  const std::vector<std::string>& lines = controller.profileLines();
  int line = controller.selectedLine();
  if (lines.empty()) {
    err << text(Text::ServerNoProfiles) << "\n";
    return 2;
  }
  if (!options.profile.empty()) {
    line = -1;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == options.profile) line = static_cast<int>(i);
    if (line < 0) {
      err << formatText(Text::ServerNoProfile, options.profile.c_str(), joined(lines).c_str())
          << "\n";
      return 2;
    }
  } else if (line < 0) {
    err << formatText(Text::ServerNoProfileSelected, joined(lines).c_str()) << "\n";
    return 2;
  }
  const std::string profileName = lines[static_cast<std::size_t>(line)];

  // The camera: the one named, or the one the window would prefer.
  FramePipeline& pipeline = controller.captureWindow().pipeline();
  pipeline.refreshDevices();
  const std::vector<std::string> devices = pipeline.deviceNames();
  if (!options.device.empty()) {
    int index = -1;
    for (std::size_t i = 0; i < devices.size(); ++i)
      if (devices[i] == options.device) index = static_cast<int>(i);
    if (index < 0) {
      err << formatText(Text::ServerNoDevice, options.device.c_str(), joined(devices).c_str())
          << "\n";
      return 2;
    }
    controller.captureMenuCommand(capturemenu::kDeviceBase + index);
  } else if (pipeline.deviceIndex() < 0) {
    err << formatText(Text::ServerNoPreferredDevice, joined(devices).c_str()) << "\n";
    return 1;
  }
  controller.captureMenuCommand(capturemenu::kPreview);
  if (!pipeline.graphRunning()) {
    err << formatText(Text::ServerDeviceFailed,
                      devices[static_cast<std::size_t>(pipeline.deviceIndex())].c_str())
        << "\n";
    return 1;
  }

  controller.selectProfileLine(line);
  controller.connectDisconnect();

  installSignalHandlers();
  bool exiting = false;
  bool everConnected = false;
  bool started = options.noStart;
  bool failed = false;
  int ticks = 0;
  auto watch = loop.createTimer([&] {
    ++ticks;
    if (signalsSeen > 0 && !exiting) {
      exiting = true;
      out << text(Text::ServerSignal) << std::endl;
      if (controller.scheduledRun()) {
        controller.StopScheduledCapture();
      } else if (controller.capturing()) {
        controller.startStopSending();
      }
      controller.exitCommand();
      return;
    }
    if (exiting) {
      // The exit waits while capture is being stopped; arm it again.
      if (!controller.capturing() && !controller.finished()) controller.exitCommand();
      return;
    }
    if (controller.connected()) everConnected = true;
    if (!started && controller.connected() && !controller.capturing()) {
      controller.startStopSending();
      started = true;
    }
    const bool dialling = controller.dialupLink().WeDialled();
    if (!everConnected && ticks > 5 && !dialling && controller.uploader().IsIdle() &&
        !controller.connected()) {
      err << formatText(Text::ServerCannotConnect, profileName.c_str(),
                        controller.activeProfile().address.c_str())
          << "\n";
      failed = true;
      exiting = true;
      controller.exitCommand();
    }
  });
  watch->start(100);
  loop.run();
  watch.reset();
  return failed ? 1 : 0;
}

}  // namespace karone
