#pragma once
// The main window "カロネサーバー": a fixed-size window laid out in dialog
// units of the dialog font, with the capture group (live preview, progress,
// status, compact-mode button), the caption row, the FTP status monitor,
// the remote folder with its counters, the FTP profiles, the capture and
// start buttons, the schedule summary and the exit button.
//
// It draws what the run controller sets through MainView and forwards every
// click, selection and key to MainCommands; it decides nothing itself, with
// one exception that is pure view: the compact mode, which shrinks the
// window to the capture group, keeps it above other windows and labels the
// button "最大化"; the second press restores the size it had at start,
// releases it and labels the button "最小化" again.
//
// OK (Enter where no button or entry takes it), Esc and a close request ask
// closeRequested(); the window closes only when the answer is yes, or when
// the controller calls closeWindow().
//
// Widgets have object names for tests (e.g. "startButton", "captionEdit");
// each carries its control number in the property "controlId".
//
// Threads: window thread.
#include <QWidget>
#include <memory>

#include "app/MainCommands.h"
#include "app/MainView.h"

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace karone {

class CaptionEdit;
class ColorComboBox;
class ExitWaitDialog;
class PreviewSink;
class PreviewWidget;
class ProgressDialog;
class TaskRunner;
class StatusMonitor;
class SubtitleList;

class MainWindow final : public QWidget, public MainView {
  Q_OBJECT

 public:
  // `windowThread`: the task runner of the window thread (the preview's
  // repaints are posted to it); it outlives the window.
  explicit MainWindow(TaskRunner& windowThread, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Where clicks go; null: nowhere (nothing is forwarded).
  void setCommands(MainCommands* commands);

  // The live picture inside frame 1004.
  PreviewSink& previewSink();
  PreviewWidget& preview() { return *preview_; }

  // Moves the window to the middle of its screen (done by itself when it is
  // first shown).
  void centreOnScreen();
  bool compact() const { return compact_; }

  // --- MainView ---
  void setProgressLabel(const std::string& text) override;
  void setProgressRange(int low, int high) override;
  void setProgressPosition(int position) override;
  void setCaptureStatus(const std::string& text) override;
  void appendStatusLine(const std::string& line) override;
  void removeFirstStatusLine() override;
  void setStatusHorizontalExtent(int pixels) override;
  void scrollStatusToEnd() override;
  // The width of a text in the status monitor's font.
  int statusTextWidth(const std::string& text) const;
  int statusClientWidth() const override;
  void clearDirectoryView() override;
  void addDirectoryEntry(const DirectoryViewEntry& entry) override;
  void setDirectoryLabel(const std::string& directory) override;
  void setMotionBufferCount(int count) override;
  void setStillBufferCount(int count) override;
  void setBufferButtonsEnabled(bool enabled) override;
  void setProfileLines(const std::vector<std::string>& lines, int selected) override;
  void setConnectCaption(const std::string& text) override;
  void setStartCaption(const std::string& text) override;
  void setScheduleLines(const std::string& name, const std::string& remaining,
                        const std::string& state) override;
  void addSubtitleLine(const std::string& text, std::uint32_t colour) override;
  void setCaptionEntry(const std::string& text) override;
  void setCaptionColourIndex(int index) override;
  std::uint32_t systemTextColour() const override;
  void showProgressWindow(bool visible) override;
  void setProgressWindowPercent(int percent) override;
  void showExitWait(bool visible) override;
  void closeWindow() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void connectControls();
  void toggleCompact();
  void showCaptureMenu(const QPoint& globalPosition);
  void requestClose();

  TaskRunner& windowThread_;
  MainCommands* commands_ = nullptr;
  bool compact_ = false;
  bool closeAllowed_ = false;
  bool shownBefore_ = false;
  QSize fullSize_;

  // Capture group.
  QWidget* captureGroup_ = nullptr;
  PreviewWidget* preview_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* captureStatus_ = nullptr;
  QPushButton* compactButton_ = nullptr;
  // Caption row.
  ColorComboBox* colourCombo_ = nullptr;
  QPushButton* clearCaptionButton_ = nullptr;
  SubtitleList* subtitleList_ = nullptr;
  CaptionEdit* captionEdit_ = nullptr;
  // FTP area.
  StatusMonitor* statusMonitor_ = nullptr;
  QLabel* directoryLabel_ = nullptr;
  QPushButton* upButton_ = nullptr;
  QTreeWidget* fileList_ = nullptr;
  QLabel* motionCount_ = nullptr;
  QLabel* stillCount_ = nullptr;
  QPushButton* resetCounterButton_ = nullptr;
  QPushButton* deleteBuffersButton_ = nullptr;
  // Profiles, capture, schedules, exit.
  QListWidget* profileList_ = nullptr;
  QPushButton* addProfileButton_ = nullptr;
  QPushButton* modifyProfileButton_ = nullptr;
  QPushButton* deleteProfileButton_ = nullptr;
  QPushButton* connectButton_ = nullptr;
  QPushButton* captureMenuButton_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* schedulerButton_ = nullptr;
  QLabel* scheduleName_ = nullptr;
  QLabel* scheduleRemaining_ = nullptr;
  QLabel* scheduleState_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  // The small dialogs it owns.
  ExitWaitDialog* exitWait_ = nullptr;
  ProgressDialog* progressWindow_ = nullptr;
};

}  // namespace karone
