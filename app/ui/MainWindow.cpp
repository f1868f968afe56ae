#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>

#include "app/ui/CaptionEdit.h"
#include "app/ui/ExitWaitDialog.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/ProgressDialog.h"
#include "app/ui/StatusMonitor.h"
#include "app/ui/SubtitleList.h"
#include "platform/CaptureDefaults.h"
#include "capture/ui/CaptureMenuPopup.h"
#include "capture/ui/ColorComboBox.h"
#include "capture/ui/PreviewWidget.h"
#include "ftp/FtpUploader.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogStyle.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// The window's size in dialog units.
constexpr int kWidth = 508;
constexpr int kHeight = 318;

}  // namespace

MainWindow::MainWindow(TaskRunner& windowThread, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      windowThread_(windowThread) {
  setObjectName("mainWindow");
  setWindowTitle(qtext(Text::MainTitle));
  setWindowIcon(programIcon());
  setFont(dialogFont());
  build();
  connectControls();
  fullSize_ = size();
  exitWait_ = new ExitWaitDialog(this);
  progressWindow_ = new ProgressDialog(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::build() {
  const DialogUnits units(font());
  setFixedSize(units.toPixels(kWidth, kHeight));

  // Makes a child at x, y, cx, cy dialog units, named and numbered.
  auto put = [&](auto* widget, const char* name, int id, int x, int y, int cx, int cy) {
    widget->setObjectName(name);
    if (id != 0) widget->setProperty("controlId", id);
    units.place(*widget, x, y, cx, cy);
    return widget;
  };
  auto* groupStyle = new DialogStyle;
  groupStyle->setParent(this);
  auto group = [&](Text title, const char* name, int id, int x, int y, int cx, int cy) {
    auto* box = new QGroupBox(qtext(title), this);
    box->setStyle(groupStyle);
    return put(box, name, id, x, y, cx, cy);
  };
  auto label = [&](const QString& text, const char* name, int id, int x, int y, int cx, int cy) {
    return put(new QLabel(text, this), name, id, x, y, cx, cy);
  };
  auto sunken = [&](const char* name, int id, int x, int y, int cx, int cy) {
    QLabel* l = label(QString(), name, id, x, y, cx, cy);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
  };
  auto button = [&](Text caption, const char* name, int id, int x, int y, int cx, int cy) {
    auto* b = put(new QPushButton(qtext(caption), this), name, id, x, y, cx, cy);
    b->setAutoDefault(true);  // Enter presses the button that has the focus
    return b;
  };

  // Group boxes first, so that the controls lie above them.
  captureGroup_ = group(Text::MainCaptureGroup, "captureGroup", 1047, 7, 7, 137, 161);
  group(Text::MainFtpGroup, "ftpGroup", 0, 154, 7, 226, 278);
  group(Text::MainProfileGroup, "profileGroup", 0, 386, 7, 115, 143);
  group(Text::MainSchedulerGroup, "schedulerGroup", 0, 386, 174, 115, 111);
  group(Text::MainNextSchedule, "nextScheduleGroup", 0, 392, 213, 102, 57);

  // --- Capture group ---
  auto* previewFrame = put(new QFrame(this), "previewFrame", 1004, 17, 19, 117, 107);
  previewFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
  previewFrame->setLineWidth(1);
  QPalette black = previewFrame->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  previewFrame->setPalette(black);
  preview_ = new PreviewWidget(windowThread_, previewFrame);
  preview_->setObjectName("captureWindow");
  preview_->setGeometry(previewFrame->contentsRect());

  progressLabel_ = label(qtext(Text::ProgressLabelMotion), "progressLabel", 1075, 18, 128, 36, 8);
  progressBar_ = put(new QProgressBar(this), "progressBar", 1014, 56, 127, 77, 10);
  progressBar_->setTextVisible(false);
  progressBar_->setRange(0, kDefaultFramesPerStrip);
  progressBar_->setValue(0);
  label(qtext(Text::MainStatusLabel), "statusLabel", 0, 18, 139, 29, 10);
  captureStatus_ = label(QStringLiteral(" "), "captureStatus", 1015, 56, 138, 77, 10);
  compactButton_ = button(Text::MainCompact, "compactButton", 1026, 18, 150, 115, 14);

  // --- Caption row ---
  auto* captionFrame = put(new QFrame(this), "captionFrame", 0, 7, 177, 137, 26);
  captionFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  label(qtext(Text::MainCaptionColour), "captionColourLabel", 0, 11, 186, 24, 10);
  colourCombo_ = put(new ColorComboBox(this), "colourCombo", 1056, 38, 180, 62, 89);
  // The height given is the open list's; the box itself is one line high.
  colourCombo_->resize(colourCombo_->width(), colourCombo_->sizeHint().height());
  clearCaptionButton_ = button(Text::MainClearCaption, "clearCaptionButton", 1093, 104, 180, 36, 18);
  subtitleList_ = put(new SubtitleList(this), "subtitleList", 1051, 7, 202, 137, 65);
  captionEdit_ = put(new CaptionEdit(this), "captionEdit", 1052, 7, 267, 137, 12);

  // --- FTP status monitor and the remote folder ---
  statusMonitor_ = put(new StatusMonitor(this), "statusMonitor", 1008, 163, 17, 208, 124);
  directoryLabel_ = label(QString(), "directoryLabel", 1019, 161, 143, 195, 13);
  upButton_ = put(new QPushButton(this), "upButton", 1018, 357, 143, 14, 13);
  upButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  upButton_->setAutoDefault(true);
  fileList_ = put(new QTreeWidget(this), "fileList", 1017, 161, 156, 211, 96);
  fileList_->setRootIsDecorated(false);
  fileList_->setUniformRowHeights(true);
  fileList_->setSelectionMode(QAbstractItemView::SingleSelection);
  {
    const auto columns = FtpUploader::directoryViewColumns();
    QStringList headings;
    for (const auto& column : columns) headings << qs(column.heading);
    fileList_->setColumnCount(static_cast<int>(headings.size()));
    fileList_->setHeaderLabels(headings);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
      fileList_->header()->resizeSection(i, columns[static_cast<std::size_t>(i)].width);
    }
    fileList_->header()->setStretchLastSection(false);
  }
  QLabel* bufferFiles =
      label(qtext(Text::MainBufferFiles), "bufferFilesLabel", 0, 161, 252, 141, 13);
  bufferFiles->setAlignment(Qt::AlignCenter);
  bufferFiles->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  motionCount_ = sunken("motionCount", 1048, 302, 252, 35, 13);
  stillCount_ = sunken("stillCount", 1049, 337, 252, 35, 13);
  resetCounterButton_ =
      button(Text::MainResetCounter, "resetCounterButton", 1025, 160, 267, 79, 13);
  deleteBuffersButton_ =
      button(Text::MainDeleteAllBuffers, "deleteBuffersButton", 1024, 239, 267, 135, 13);

  // --- Profiles ---
  profileList_ = put(new QListWidget(this), "profileList", 1030, 393, 19, 102, 98);
  profileList_->setSelectionMode(QAbstractItemView::SingleSelection);
  addProfileButton_ = button(Text::MainAddProfile, "addProfileButton", 32784, 393, 117, 34, 13);
  modifyProfileButton_ =
      button(Text::MainModifyProfile, "modifyProfileButton", 32785, 427, 117, 34, 13);
  deleteProfileButton_ =
      button(Text::MainDeleteProfile, "deleteProfileButton", 32786, 461, 117, 34, 13);
  connectButton_ = button(Text::Connect, "connectButton", 1005, 393, 130, 102, 13);

  // --- Capture, schedules, exit ---
  captureMenuButton_ = button(Text::MainCaptureMenu, "captureMenuButton", 1002, 386, 156, 40, 13);
  startButton_ = button(Text::StartSending, "startButton", 1003, 426, 156, 75, 13);
  schedulerButton_ = button(Text::MainScheduler, "schedulerButton", 1033, 392, 190, 102, 13);
  scheduleName_ = sunken("scheduleName", 1043, 399, 226, 88, 11);
  scheduleRemaining_ = sunken("scheduleRemaining", 1042, 399, 239, 88, 11);
  scheduleState_ = sunken("scheduleState", 1044, 399, 252, 88, 11);
  exitButton_ = button(Text::MainExit, "exitButton", 1029, 451, 298, 50, 13);
}

void MainWindow::connectControls() {
  // Forwards to the controller when there is one.
  auto forward = [this](auto&& call) {
    return [this, call] {
      if (commands_ != nullptr) call(*commands_);
    };
  };
  connect(startButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.startStopSending(); }));
  connect(connectButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.connectDisconnect(); }));
  connect(exitButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.exitCommand(); }));
  connect(schedulerButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.openScheduler(); }));
  connect(addProfileButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.addProfile(); }));
  connect(modifyProfileButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.modifyProfile(); }));
  connect(deleteProfileButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.deleteProfile(); }));
  connect(deleteBuffersButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.deleteAllBuffers(); }));
  connect(resetCounterButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.resetCounter(); }));
  connect(upButton_, &QPushButton::clicked, this, forward([](MainCommands& c) { c.goUp(); }));
  connect(clearCaptionButton_, &QPushButton::clicked, this,
          forward([](MainCommands& c) { c.clearCaption(); }));
  connect(compactButton_, &QPushButton::clicked, this, &MainWindow::toggleCompact);
  connect(captureMenuButton_, &QPushButton::clicked, this,
          [this] { showCaptureMenu(QCursor::pos()); });
  connect(preview_, &PreviewWidget::contextMenuRequested, this, &MainWindow::showCaptureMenu);

  connect(profileList_, &QListWidget::itemSelectionChanged, this, [this] {
    if (commands_ == nullptr) return;
    const auto selected = profileList_->selectedItems();
    commands_->selectProfileLine(selected.isEmpty() ? -1 : profileList_->row(selected.front()));
  });
  connect(profileList_, &QListWidget::itemDoubleClicked, this,
          forward([](MainCommands& c) { c.profileLineActivated(); }));
  connect(fileList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    // The view lists folders only.
    if (commands_ != nullptr && item != nullptr) {
      commands_->directoryItemActivated(item->text(0).toStdString(), true);
    }
  });
  connect(statusMonitor_, &StatusMonitor::cleared, this,
          forward([](MainCommands& c) { c.statusMonitorCleared(); }));

  connect(colourCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (commands_ != nullptr) commands_->captionColourChanged(index);
  });
  connect(captionEdit_, &CaptionEdit::entered, this, [this](const QString& caption) {
    if (commands_ != nullptr) commands_->captionEntered(caption.toStdString());
  });
  connect(captionEdit_, &CaptionEdit::used, this, [this] {
    if (commands_ != nullptr && commands_->captionEntryUsed()) captionEdit_->clear();
  });
}

void MainWindow::setCommands(MainCommands* commands) { commands_ = commands; }

PreviewSink& MainWindow::previewSink() { return *preview_; }

void MainWindow::centreOnScreen() {
  QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const QSize whole = frameGeometry().size();  // with the title bar and border
  move(area.x() + area.width() / 2 - whole.width() / 2,
       area.y() + area.height() / 2 - whole.height() / 2);
}

void MainWindow::showEvent(QShowEvent* event) {
  if (!shownBefore_) {
    shownBefore_ = true;
    centreOnScreen();
  }
  QWidget::showEvent(event);
}

// --- Compact mode ---

void MainWindow::toggleCompact() {
  const QPoint position = pos();
  const bool wasVisible = isVisible();
  if (!compact_) {
    const QRect g = captureGroup_->geometry();
    setFixedSize(g.width() + 2 * g.x(), g.height() + 2 * g.y());
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    compactButton_->setText(qtext(Text::MainFull));
    compact_ = true;
  } else {
    setFixedSize(fullSize_);
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    compactButton_->setText(qtext(Text::MainCompact));
    compact_ = false;
  }
  // Changing the window's flags hides it; show it again where it was.
  move(position);
  if (wasVisible) show();
}

// --- The capture menu ---

void MainWindow::showCaptureMenu(const QPoint& globalPosition) {
  if (commands_ == nullptr) return;
  const int command = CaptureMenuPopup::exec(commands_->captureMenu(), globalPosition, this);
  if (command != 0) commands_->captureMenuCommand(command);
}

// --- Closing ---

void MainWindow::requestClose() {
  if (commands_ != nullptr && commands_->closeRequested()) {
    closeAllowed_ = true;
    close();
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      requestClose();
      event->accept();
      return;
    default: QWidget::keyPressEvent(event);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closeAllowed_ && commands_ != nullptr && commands_->closeRequested()) {
    closeAllowed_ = true;
  }
  if (!closeAllowed_) {
    event->ignore();
    return;
  }
  exitWait_->finish();
  progressWindow_->hide();
  event->accept();
}

void MainWindow::closeWindow() {
  closeAllowed_ = true;
  close();
}

// --- MainView: capture group ---

void MainWindow::setProgressLabel(const std::string& text) { progressLabel_->setText(qs(text)); }
void MainWindow::setProgressRange(int low, int high) { progressBar_->setRange(low, high); }
void MainWindow::setProgressPosition(int position) { progressBar_->setValue(position); }
void MainWindow::setCaptureStatus(const std::string& text) { captureStatus_->setText(qs(text)); }

// --- MainView: status monitor ---

void MainWindow::appendStatusLine(const std::string& line) { statusMonitor_->appendLine(qs(line)); }
void MainWindow::removeFirstStatusLine() { statusMonitor_->removeFirstLine(); }
void MainWindow::setStatusHorizontalExtent(int pixels) {
  statusMonitor_->setHorizontalExtent(pixels);
}
void MainWindow::scrollStatusToEnd() { statusMonitor_->scrollToEnd(); }
int MainWindow::statusTextWidth(const std::string& text) const {
  return statusMonitor_->textWidth(qs(text));
}
int MainWindow::statusClientWidth() const { return statusMonitor_->clientWidth(); }

// --- MainView: remote folder and counters ---

void MainWindow::clearDirectoryView() { fileList_->clear(); }

void MainWindow::addDirectoryEntry(const DirectoryViewEntry& entry) {
  auto* item = new QTreeWidgetItem(fileList_, {qs(entry.name), qs(entry.size), qs(entry.date)});
  item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
}

void MainWindow::setDirectoryLabel(const std::string& directory) {
  directoryLabel_->setText(qs(directory));
}
void MainWindow::setMotionBufferCount(int count) { motionCount_->setNum(count); }
void MainWindow::setStillBufferCount(int count) { stillCount_->setNum(count); }
void MainWindow::setBufferButtonsEnabled(bool enabled) {
  deleteBuffersButton_->setEnabled(enabled);
  resetCounterButton_->setEnabled(enabled);
}

// --- MainView: profiles and the main buttons ---

void MainWindow::setProfileLines(const std::vector<std::string>& lines, int selected) {
  const QSignalBlocker quiet(profileList_);
  profileList_->clear();
  for (const auto& line : lines) profileList_->addItem(qs(line));
  if (selected >= 0 && selected < profileList_->count()) {
    profileList_->setCurrentRow(selected);
  } else {
    profileList_->setCurrentRow(-1);
    profileList_->clearSelection();
  }
}

void MainWindow::setConnectCaption(const std::string& text) { connectButton_->setText(qs(text)); }
void MainWindow::setStartCaption(const std::string& text) { startButton_->setText(qs(text)); }

void MainWindow::setScheduleLines(const std::string& name, const std::string& remaining,
                                  const std::string& state) {
  scheduleName_->setText(qs(name));
  scheduleRemaining_->setText(qs(remaining));
  scheduleState_->setText(qs(state));
}

// --- MainView: caption ---

void MainWindow::addSubtitleLine(const std::string& text, std::uint32_t colour) {
  subtitleList_->addLine(qs(text), colour);
}

void MainWindow::setCaptionEntry(const std::string& text) {
  captionEdit_->setText(qs(text));
  captionEdit_->end(false);
}

void MainWindow::setCaptionColourIndex(int index) {
  const QSignalBlocker quiet(colourCombo_);
  colourCombo_->setCurrentIndex(index >= 0 && index < colourCombo_->count() ? index : 0);
}

std::uint32_t MainWindow::systemTextColour() const { return colourCombo_->systemTextColour(); }

// --- MainView: the progress window and the exit ---

void MainWindow::showProgressWindow(bool visible) { progressWindow_->showCentred(visible); }
void MainWindow::setProgressWindowPercent(int percent) { progressWindow_->setPercent(percent); }

void MainWindow::showExitWait(bool visible) {
  if (visible) {
    exitWait_->start();
  } else {
    exitWait_->finish();
  }
}

}  // namespace karone
