#include "app/ui/ServerWindow.h"

#include <optional>

#include "app/RunController.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtDialogs.h"
#include "platform/SettingsStorage.h"
#include "platform/networkmanager/SystemDialupService.h"
#include "platform/ui/QtPrompter.h"
#include "platform/ui/QtTaskRunner.h"
#include "platform/ui/QtTimerService.h"
#include "resources/Texts.h"

namespace karone {

// In the order they are made; each refers only to those above it.
struct ServerWindow::Parts {
  explicit Parts(const ServerWindowOptions& options)
      : window(runner),
        prompter(runner, &window),
        client(options.ftp),
        camera(options.capture),
        dialup(createSystemDialupService()),
        dialogs(&window, prompter, *dialup.service, timers) {}

  QtTaskRunner runner;
  QtTimerService timers;
  MainWindow window;
  QtPrompter prompter;
  CurlFtpClient client;
  GstVideoCapture camera;
  SystemDialupService dialup;
  QtDialogs dialogs;
  FileSettingsStorage settings;
  std::optional<RunController> controller;
  std::unique_ptr<AutoStart> autoStart;
};

ServerWindow::ServerWindow(const ServerWindowOptions& options)
    : parts_(std::make_unique<Parts>(options)) {
  Parts& p = *parts_;
  RunController::Parts parts(p.runner, p.timers, SystemClock::instance(), p.prompter, p.dialogs,
                             p.window, p.client, p.camera, *p.dialup.service, p.settings);
  parts.preview = &p.window.previewSink();
  parts.dialupNotes = {p.dialup.reason};
  parts.exitFtpBudgetMillis = 2 * options.ftp.responseTimeoutMs;
  p.controller.emplace(parts);
  p.window.setCommands(&*p.controller);
}

ServerWindow::~ServerWindow() {
  Parts& p = *parts_;
  p.autoStart.reset();
  p.window.setCommands(nullptr);
  p.controller.reset();
  // Tasks the workers post from now on are dropped, and their questions
  // get the refusal.
  p.runner.shutDown();
}

void ServerWindow::show() {
  parts_->controller->start();
  parts_->window.show();
}

AutoStart::Failure ServerWindow::startBroadcast(const AutoStart::Options& options) {
  Parts& p = *parts_;
  auto fail = [&prompter = p.prompter](const std::string& message) {
    prompter.ask(formatText(Text::WindowStartFailed, message.c_str()), text(Text::MainTitle),
                 PromptButtons::Ok, PromptIcon::Warning);
  };
  p.autoStart = std::make_unique<AutoStart>(*p.controller, p.timers, fail);
  const AutoStart::Failure failure = p.autoStart->begin(options);
  if (failure.status != 0) fail(failure.message);
  return failure;
}

MainWindow& ServerWindow::window() { return parts_->window; }
RunController& ServerWindow::controller() { return *parts_->controller; }
Prompter& ServerWindow::prompter() { return parts_->prompter; }

}  // namespace karone
