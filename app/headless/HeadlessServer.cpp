#include "app/headless/HeadlessServer.h"

#include <cstdlib>

#include "app/AutoStart.h"
#include "app/RunController.h"
#include "app/headless/ConsoleView.h"
#include "app/headless/HeadlessPrompter.h"
#include "app/headless/ServiceStatus.h"
#include "platform/EventLoop.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/SignalWatcher.h"
#include "platform/SettingsStorage.h"
#include "platform/curl/CurlFtpClient.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "platform/networkmanager/SystemDialupService.h"
#include "resources/Texts.h"

namespace karone {
namespace {

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
    } else if (a == "--start") {
      options.start = true;
    } else if (a == "--preview") {
      options.preview = true;
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
  // Termination signals become the orderly exit from here on, start-up
  // included: the request waits in the loop until it runs.
  EventLoop loop;
  RunController* running = nullptr;
  ServiceStatus* service = nullptr;
  bool exiting = false;
  SignalWatcher signals(loop, [&](int) {
    if (exiting || running == nullptr) return;
    exiting = true;
    out << text(Text::ServerSignal) << std::endl;
    if (service) service->stopping();
    running->exitStoppingCapture();
  });
  const SystemdNotifier notifier = SystemdNotifier::fromEnvironment();
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
  parts.dialupNotes = {dialup.reason};
  parts.exitFtpBudgetMillis = 2 * ftp.responseTimeoutMs;
  RunController controller(parts);
  running = &controller;
  ServiceStatus status(notifier, loop, controller);
  service = &status;
  view.setLineWatcher(status.lineWatcher());
  controller.start();

  bool failed = false;
  AutoStart autoStart(controller, loop, [&](const std::string& message) {
    err << message << "\n";
    failed = true;
    exiting = true;
    status.stopping();
    controller.exitCommand();
  });
  AutoStart::Options start;
  start.profile = options.profile;
  start.device = options.device;
  start.startSending = !options.noStart;
  const AutoStart::Failure failure = autoStart.begin(start);
  if (failure.status != 0) {
    err << failure.message << "\n";
    return failure.status;
  }
  status.ready();

  loop.run();
  if (failed) return 1;
  return controller.faultStanding() ? 3 : 0;
}

}  // namespace karone
