#include "app/ui/ServerApp.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>
#include <memory>

#include "app/AutoStart.h"
#include "app/RunController.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtDialogs.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/SettingsStorage.h"
#include "platform/curl/CurlFtpClient.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "platform/networkmanager/SystemDialupService.h"
#include "platform/ui/QtPrompter.h"
#include "platform/ui/QtTaskRunner.h"
#include "platform/ui/QtTimerService.h"
#include "resources/Texts.h"

namespace karone {

int runServerWindow(int argc, char** argv, const HeadlessOptions& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("karone-server"));

  const std::string dataFolder = paths::dataDir();
  InstanceLock lock(dataFolder, "karone-server");
  if (!lock.held()) {
    const std::string message =
        lock.holder() ? formatText(Text::WindowAlreadyRunning, lock.holder()->program.c_str(),
                                   lock.holder()->pid)
                      : formatText(Text::ServerLockFailed, dataFolder.c_str(), lock.error().c_str());
    std::cerr << message << "\n";
    QMessageBox::warning(nullptr, QString::fromUtf8(text(Text::MainTitle)),
                         QString::fromUtf8(message));
    return 1;
  }

  QtTaskRunner runner;
  QtTimerService timers;
  MainWindow window;
  QtPrompter prompter(runner, &window);
  CurlFtpOptions ftp;
  ftp.connectTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  ftp.responseTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  ftp.requestTimeoutMs = 4000L * options.ftpTimeoutSeconds;
  CurlFtpClient client(ftp);
  GstVideoCapture camera;
  SystemDialupService dialup = createSystemDialupService();
  QtDialogs dialogs(&window, prompter, *dialup.service, timers);
  FileSettingsStorage settings;

  RunController::Parts parts(runner, timers, SystemClock::instance(), prompter, dialogs, window,
                             client, camera, *dialup.service, settings);
  parts.preview = &window.previewSink();
  parts.startupNotes = {dialup.reason};
  int status = 0;
  {
    RunController controller(parts);
    window.setCommands(&controller);
    controller.start();
    window.show();

    std::unique_ptr<AutoStart> autoStart;
    if (options.start) {
      auto fail = [&prompter](const std::string& message) {
        prompter.ask(formatText(Text::WindowStartFailed, message.c_str()),
                     text(Text::MainTitle), PromptButtons::Ok, PromptIcon::Warning);
      };
      autoStart = std::make_unique<AutoStart>(controller, timers, fail);
      AutoStart::Options start;
      start.profile = options.profile;
      start.device = options.device;
      const AutoStart::Failure failure = autoStart->begin(start);
      if (failure.status != 0) fail(failure.message);
    }
    status = QApplication::exec();
    autoStart.reset();
    window.setCommands(nullptr);
  }
  runner.shutDown();
  return status;
}

}  // namespace karone
