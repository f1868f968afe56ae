#pragma once
// What the main window shows, as plain setters: the run controller decides,
// the window draws. The Qt main window implements it; the headless program
// implements it by printing status lines; tests record every call.
//
// Threads: called on the window thread only (changes that start on another
// thread reach it through the task runner first).
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/UploaderEvent.h"

namespace karone {

class MainView {
 public:
  virtual ~MainView() = default;

  // --- Capture group ---
  // Label 1075 beside the progress bar ("バッファー中" / "カウントダウン").
  virtual void setProgressLabel(const std::string& text) = 0;
  virtual void setProgressRange(int low, int high) = 0;
  virtual void setProgressPosition(int position) = 0;
  // Capture status 1015, exactly as shown (the leading blank included).
  virtual void setCaptureStatus(const std::string& text) = 0;

  // --- FTP status monitor (the event log's lines) ---
  virtual void appendStatusLine(const std::string& line) = 0;
  virtual void removeFirstStatusLine() = 0;
  virtual void setStatusHorizontalExtent(int pixels) = 0;
  virtual void scrollStatusToEnd() = 0;
  // The width of the status monitor's visible area in pixels, asked once
  // when the controller is made; a view without one answers 0.
  virtual int statusClientWidth() const { return 0; }

  // --- Remote directory, folder label, buffer counters ---
  virtual void clearDirectoryView() = 0;
  virtual void addDirectoryEntry(const DirectoryViewEntry& entry) = 0;
  virtual void setDirectoryLabel(const std::string& directory) = 0;
  virtual void setMotionBufferCount(int count) = 0;
  virtual void setStillBufferCount(int count) = 0;
  // Buttons 1024 (delete all buffers) and 1025 (counter reset).
  virtual void setBufferButtonsEnabled(bool enabled) = 0;

  // --- Profiles and the two main buttons ---
  // The profile list, sorted as shown, with the selected line (-1: none).
  virtual void setProfileLines(const std::vector<std::string>& lines, int selected) = 0;
  virtual void setConnectCaption(const std::string& text) = 0;  // 1005
  virtual void setStartCaption(const std::string& text) = 0;    // 1003

  // --- Schedule summary: name, remaining time, state (as shown) ---
  virtual void setScheduleLines(const std::string& name, const std::string& remaining,
                                const std::string& state) = 0;

  // --- Caption ---
  virtual void addSubtitleLine(const std::string& text, std::uint32_t colour) = 0;
  virtual void setCaptionEntry(const std::string& text) = 0;
  // Selects a line of the caption colour list (at start, from the
  // settings) without reporting it back as a change.
  virtual void setCaptionColourIndex(int index) = 0;
  // The colour that entry 16 of the colour list stands for, 0x00BBGGRR: the
  // window text colour of the view (black where the view has none).
  virtual std::uint32_t systemTextColour() const { return 0; }

  // --- The buffer-deletion progress window ---
  virtual void showProgressWindow(bool visible) = 0;
  virtual void setProgressWindowPercent(int percent) = 0;

  // --- Exit ---
  // The exit-wait dialog: shown (modal, without buttons) while the exit
  // waits for the workers, closed before the window closes.
  virtual void showExitWait(bool visible) = 0;
  // The controller has saved everything: the window may close and the
  // program end.
  virtual void closeWindow() = 0;
};

}  // namespace karone
