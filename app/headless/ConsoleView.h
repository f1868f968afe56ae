#pragma once
// The main view of the headless program: the status monitor's lines go to
// standard output, one line each, as they are shown; nothing else is drawn.
// closeWindow() ends the program's loop; each line is also handed to an
// optional watcher (the service status).
//
// Threads: the loop's thread.
#include <functional>
#include <ostream>
#include <string>

#include "app/MainView.h"

namespace karone {

class ConsoleView final : public MainView {
 public:
  ConsoleView(std::ostream& out, std::function<void()> onClose)
      : out_(out), onClose_(std::move(onClose)) {}

  void appendStatusLine(const std::string& line) override {
    out_ << line << std::endl;
    if (onLine_) onLine_(line);
  }
  void setLineWatcher(std::function<void(const std::string&)> onLine) {
    onLine_ = std::move(onLine);
  }
  void closeWindow() override {
    closed_ = true;
    if (onClose_) onClose_();
  }
  bool closed() const { return closed_; }

  void setProgressLabel(const std::string&) override {}
  void setProgressRange(int, int) override {}
  void setProgressPosition(int) override {}
  void setCaptureStatus(const std::string&) override {}
  void removeFirstStatusLine() override {}
  void setStatusHorizontalExtent(int) override {}
  void scrollStatusToEnd() override {}
  void clearDirectoryView() override {}
  void addDirectoryEntry(const DirectoryViewEntry&) override {}
  void setDirectoryLabel(const std::string&) override {}
  void setMotionBufferCount(int) override {}
  void setStillBufferCount(int) override {}
  void setBufferButtonsEnabled(bool) override {}
  void setProfileLines(const std::vector<std::string>&, int) override {}
  void setConnectCaption(const std::string&) override {}
  void setStartCaption(const std::string&) override {}
  void setScheduleLines(const std::string&, const std::string&, const std::string&) override {}
  void addSubtitleLine(const std::string&, std::uint32_t) override {}
  void setCaptionEntry(const std::string&) override {}
  void setCaptionColourIndex(int) override {}
  void showProgressWindow(bool) override {}
  void setProgressWindowPercent(int) override {}
  void showExitWait(bool) override {}

 private:
  std::ostream& out_;
  std::function<void()> onClose_;
  std::function<void(const std::string&)> onLine_;
  bool closed_ = false;
};

}  // namespace karone
