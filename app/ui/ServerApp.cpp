#include "app/ui/ServerApp.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

#include "app/ui/ServerWindow.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/ui/QtText.h"
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
    QMessageBox::warning(nullptr, qtext(Text::MainTitle),
                         QString::fromUtf8(message));
    return 1;
  }

  ServerWindowOptions windowOptions;
  windowOptions.ftp.connectTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  windowOptions.ftp.responseTimeoutMs = 1000L * options.ftpTimeoutSeconds;
  windowOptions.ftp.requestTimeoutMs = 4000L * options.ftpTimeoutSeconds;
  ServerWindow server(windowOptions);
  server.show();
  if (options.start || options.preview) {
    AutoStart::Options start;
    start.profile = options.profile;
    start.device = options.device;
    start.connect = options.start;
    server.startBroadcast(start);
  }
  const int status = QApplication::exec();
  return status;
}

}  // namespace karone
