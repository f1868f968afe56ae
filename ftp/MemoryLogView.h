#pragma once
// A LogView that keeps its lines in memory: for tests, and for the
// command-line tools, which pass an echo function that receives every line
// as it is added (for example to print it on stdout).
//
// Widths are counted per character: a character of one UTF-8 byte is
// charWidth pixels wide, any other (Japanese, full-width) twice that.
//
// Threads: safe to call from any thread (it has a lock of its own); the
// echo function is called on the thread that appends, under that lock.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/LogView.h"

namespace karone {

class MemoryLogView final : public LogView {
 public:
  using Echo = std::function<void(const std::string& line)>;

  explicit MemoryLogView(int clientWidth = 400, int charWidth = 6, Echo echo = {});

  int appendLine(const std::string& line) override;
  int lineCount() const override;
  void removeFirstLine() override;
  int textWidth(const std::string& text) const override;
  int clientWidth() const override;
  void setHorizontalExtent(int pixels) override;
  void scrollToEnd() override;

  std::vector<std::string> lines() const;
  int horizontalExtent() const;
  int scrollCount() const;  // how often scrollToEnd was called

 private:
  mutable std::mutex mutex_;
  int clientWidth_;
  int charWidth_;
  Echo echo_;
  std::deque<std::string> lines_;
  int extent_ = 0;
  int scrolls_ = 0;
};

}  // namespace karone
