#pragma once
// Where the event log shows its lines: the list of the main window's
// "FTP status monitor" in the application, an in-memory list in tests and
// in the command-line tools.
//
// Threads: EventLog calls a view from whichever thread logs (the uploader's
// worker or the window thread), always under the log's own lock, so calls
// never overlap. A view that belongs to a user-interface thread must not
// block waiting for that thread (that thread logs too, and would wait for
// the log's lock): it posts its changes to its thread, or is safe to call
// from any thread.
#include <string>

namespace karone {

class LogView {
 public:
  virtual ~LogView() = default;
  // Appends one line (UTF-8) and returns the index it was added at.
  virtual int appendLine(const std::string& line) = 0;
  virtual int lineCount() const = 0;
  virtual void removeFirstLine() = 0;
  // The width of a text in pixels in the view's font.
  virtual int textWidth(const std::string& text) const = 0;
  // The width of the visible area in pixels.
  virtual int clientWidth() const = 0;
  // How far the view scrolls sideways, in pixels.
  virtual void setHorizontalExtent(int pixels) = 0;
  // Shows the last line.
  virtual void scrollToEnd() = 0;
};

}  // namespace karone
