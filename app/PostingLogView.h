#pragma once
// The status monitor as the event log sees it: the log calls it from any
// thread under its own lock, and every change is posted to the window
// thread, where the main view draws it. The line count the log asks for is
// kept here at once, so the log's 499-line rule holds even while changes
// are still on their way. Nothing of the view is asked on the logging
// thread: widths are measured where the line is drawn (the status monitor's
// extent covers its widest line by itself), so textWidth() answers 0.
//
// Threads: the LogView calls from any thread; the posted changes run on the
// task runner's thread and are dropped once detach() has run there.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/MainView.h"
#include "ftp/LogView.h"
#include "platform/TaskRunner.h"

namespace karone {

class PostingLogView final : public LogView {
 public:
  PostingLogView(TaskRunner& runner, MainView& view, int clientWidth);
  ~PostingLogView() override;

  int appendLine(const std::string& line) override;
  int lineCount() const override;
  void removeFirstLine() override;
  int textWidth(const std::string&) const override { return 0; }
  int clientWidth() const override { return clientWidth_; }
  void setHorizontalExtent(int pixels) override;
  void scrollToEnd() override;

  // The operator emptied the monitor (window thread).
  void cleared() { lines_ = 0; }
  // No change is drawn after this (window thread).
  void detach();

 private:
  void post(std::function<void(MainView&)> change);

  TaskRunner& runner_;
  MainView& view_;
  int clientWidth_;
  std::atomic<int> lines_{0};
  std::shared_ptr<std::atomic<bool>> attached_;
};

}  // namespace karone
