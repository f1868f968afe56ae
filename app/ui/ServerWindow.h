#pragma once
// The program's window with everything behind it, as karone-server runs it:
// the main window, the run controller on the window thread with the real
// backends (FTP on libcurl, capture on GStreamer, the machine's dial-up
// service with its null fallback, the settings file), the message boxes and
// the modal dialogs. ServerApp builds one for the life of the process;
// tests build one to click through a whole broadcast on the real window.
//
// The program's folders (settings, data file, log, buffers) come from the
// environment when the object is made (platform/Paths.h).
//
// Threads: window thread; a QApplication must exist for the object's life.
#include <memory>
#include <string>

#include "app/AutoStart.h"
#include "platform/curl/CurlFtpClient.h"
#include "platform/gstreamer/GstVideoCapture.h"

namespace karone {

class MainWindow;
class Prompter;
class RunController;

struct ServerWindowOptions {
  CurlFtpOptions ftp;
  GstCaptureOptions capture;
};

class ServerWindow {
 public:
  explicit ServerWindow(const ServerWindowOptions& options = {});
  // Stops the run controller (it must have finished its exit for an
  // orderly end: settings and data saved) and the window's task runner.
  ~ServerWindow();
  ServerWindow(const ServerWindow&) = delete;
  ServerWindow& operator=(const ServerWindow&) = delete;

  // Starts the controller (settings, data, log, capture window, timers) and
  // shows the window. Once.
  void show();

  // Starts a broadcast without clicks (--start), or only a part of it (the
  // preview alone for --preview: see AutoStart::Options). A failure to
  // connect later is told in a message box; what cannot be done at once is
  // returned and told in a message box as well. Once, after show().
  AutoStart::Failure startBroadcast(const AutoStart::Options& options);

  MainWindow& window();
  RunController& controller();
  Prompter& prompter();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace karone
