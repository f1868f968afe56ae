#pragma once
// A MainView that remembers what the window would show, and every status
// monitor line, for the run controller's tests. Window thread only.
#include <string>
#include <vector>

#include "app/MainView.h"

namespace karone::testing {

class RecordingMainView final : public MainView {
 public:
  void setProgressLabel(const std::string& text) override { progressLabel = text; }
  void setProgressRange(int low, int high) override { progressRange = {low, high}; }
  void setProgressPosition(int position) override { progressPosition = position; }
  void setCaptureStatus(const std::string& text) override { captureStatus = text; }
  void appendStatusLine(const std::string& line) override { statusLines.push_back(line); }
  void removeFirstStatusLine() override {
    if (!statusLines.empty()) statusLines.erase(statusLines.begin());
  }
  void setStatusHorizontalExtent(int) override {}
  void scrollStatusToEnd() override {}
  void clearDirectoryView() override { directory.clear(); }
  void addDirectoryEntry(const DirectoryViewEntry& entry) override { directory.push_back(entry); }
  void setDirectoryLabel(const std::string& text) override { directoryLabel = text; }
  void setMotionBufferCount(int count) override { motionCount = count; }
  void setStillBufferCount(int count) override { stillCount = count; }
  void setBufferButtonsEnabled(bool enabled) override { bufferButtonsEnabled = enabled; }
  void setProfileLines(const std::vector<std::string>& lines, int selected) override {
    profileLines = lines;
    selectedLine = selected;
  }
  void setConnectCaption(const std::string& text) override { connectCaption = text; }
  void setStartCaption(const std::string& text) override { startCaption = text; }
  void setScheduleLines(const std::string& a, const std::string& b,
                        const std::string& c) override {
    scheduleLines = {a, b, c};
  }
  void addSubtitleLine(const std::string& text, std::uint32_t colour) override {
    subtitles.push_back({text, colour});
  }
  void setCaptionEntry(const std::string& text) override { captionEntry = text; }
  void setCaptionColourIndex(int index) override { colourIndex = index; }
  void showProgressWindow(bool visible) override { progressWindowShown = visible; }
  void setProgressWindowPercent(int percent) override { progressWindowPercent = percent; }
  void showExitWait(bool visible) override { exitWaitShown = visible; }
  void closeWindow() override { closed = true; }

  // Whether a status line equal to `line` was shown.
  bool saw(const std::string& line) const {
    for (const auto& l : statusLines)
      if (l.size() >= line.size() && l.compare(l.size() - line.size(), line.size(), line) == 0)
        return true;
    return false;
  }
  int count(const std::string& line) const {
    int n = 0;
    for (const auto& l : statusLines)
      if (l.size() >= line.size() && l.compare(l.size() - line.size(), line.size(), line) == 0)
        ++n;
    return n;
  }

  struct Subtitle {
    std::string text;
    std::uint32_t colour;
    bool operator==(const Subtitle&) const = default;
  };

  std::string progressLabel;
  std::pair<int, int> progressRange{0, 0};
  int progressPosition = 0;
  std::string captureStatus;
  std::vector<std::string> statusLines;  // with their time prefix
  std::vector<DirectoryViewEntry> directory;
  std::string directoryLabel;
  int motionCount = -1;
  int stillCount = -1;
  bool bufferButtonsEnabled = true;
  std::vector<std::string> profileLines;
  int selectedLine = -1;
  std::string connectCaption;
  std::string startCaption;
  std::vector<std::string> scheduleLines;
  std::vector<Subtitle> subtitles;
  std::string captionEntry;
  int colourIndex = -1;
  bool progressWindowShown = false;
  int progressWindowPercent = 0;
  bool exitWaitShown = false;
  bool closed = false;
};

}  // namespace karone::testing
