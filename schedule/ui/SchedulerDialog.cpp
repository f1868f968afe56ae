#include "schedule/ui/SchedulerDialog.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QTableWidget>

#include "platform/Prompter.h"
#include "platform/Timers.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "schedule/ScheduleRules.h"
#include "schedule/ScheduleTexts.h"
#include "schedule/SchedulerContext.h"
#include "schedule/ui/LocalDateTexts.h"
#include "schedule/ui/ModeIcons.h"
#include "schedule/ui/ScheduleEditDialog.h"
#include "schedule/ui/ScheduleInfoDialog.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 389;
constexpr int kHeight = 167;
constexpr std::int64_t kStatusPeriodMillis = 1000;

enum Column { ModeColumn, NameColumn, StartDateColumn, StartTimeColumn, EndDateColumn,
              EndTimeColumn, StatusColumn, ColumnCount };

// The width of each column in pixels, from the comma-separated list.
std::vector<int> columnWidths() {
  std::vector<int> widths;
  for (const QString& part : qtext(Text::SchedulerColumnWidths).split(',')) {
    widths.push_back(part.trimmed().toInt());
  }
  widths.resize(ColumnCount, 80);
  return widths;
}

QString dayText(const ScheduleInfo& entry, Seconds instant) {
  const std::optional<std::string> every = scheduleDayName(entry, instant);
  return every ? qs(*every) : shortDateText(instant);
}

}  // namespace

SchedulerDialog::SchedulerDialog(SchedulerContext& context, TimerService& timers,
                                 QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName("schedulerDialog");
  setWindowTitle(qtext(Text::SchedulerTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  build();
  rebuild();
  statusTimer_ = timers.createTimer([this] { refreshStatus(); });
  statusTimer_->start(kStatusPeriodMillis);
}

SchedulerDialog::~SchedulerDialog() = default;

void SchedulerDialog::build() {
  DialogBuilder b(*this, kWidth, kHeight);

  b.group(qtext(Text::SchedulerGroup), "settingGroup", 0, 7, 108, 297, 52);
  b.label(qtext(Text::SchedulerListLabel), "listLabel", 0, 7, 7, 83, 9);

  list_ = b.put(new QTableWidget(this), "scheduleList", 1030, 7, 17, 375, 89);
  list_->setColumnCount(ColumnCount);
  const Text headings[ColumnCount] = {
      Text::SchedulerColumnMode,    Text::SchedulerColumnName,    Text::SchedulerColumnStartDate,
      Text::SchedulerColumnStartTime, Text::SchedulerColumnEndDate, Text::SchedulerColumnEndTime,
      Text::SchedulerColumnStatus};
  QStringList labels;
  for (Text heading : headings) labels << qtext(heading);
  list_->setHorizontalHeaderLabels(labels);
  QHeaderView* header = list_->horizontalHeader();
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(1);
  const std::vector<int> widths = columnWidths();
  for (int c = 0; c < ColumnCount; ++c) list_->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
  // The status column shows each of its words whole, whatever the font.
  const int cellMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
  int statusWidth = list_->columnWidth(StatusColumn);
  for (Text status : {Text::ScheduleStatusRunning, Text::ScheduleStatusOnTime,
                      Text::ScheduleStatusInvalid}) {
    statusWidth = std::max(statusWidth,
                           list_->fontMetrics().horizontalAdvance(qtext(status)) + 2 * cellMargin + 2);
  }
  list_->setColumnWidth(StatusColumn, statusWidth);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setIconSize(QSize(16, 16));
  list_->setTabKeyNavigation(false);

  struct Button {
    Text text;
    const char* name;
    int id;
    int x, y;
    void (SchedulerDialog::*act)();
  };
  const Button buttons[] = {
      {Text::SchedulerShow, "showButton", 1040, 13, 122, &SchedulerDialog::showInfo},
      {Text::SchedulerAdd, "addButton", 1039, 108, 122, &SchedulerDialog::addEntry},
      {Text::SchedulerModify, "modifyButton", 1044, 203, 122, &SchedulerDialog::modifyEntry},
      {Text::SchedulerDelete, "deleteButton", 1045, 13, 137, &SchedulerDialog::deleteEntry},
      {Text::SchedulerDeleteInvalid, "deleteInvalidButton", 1047, 108, 137,
       &SchedulerDialog::deleteInvalidEntries},
      {Text::SchedulerDeleteAll, "deleteAllButton", 1046, 203, 137,
       &SchedulerDialog::deleteAllEntries},
  };
  for (const Button& button : buttons) {
    QPushButton* made = b.button(qtext(button.text), button.name, button.id, button.x, button.y, 94, 13);
    connect(made, &QPushButton::clicked, this, button.act);
  }
  QPushButton* ok = b.button(qtext(Text::ButtonOk), "okButton", 1, 324, 130, 40, 13);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void SchedulerDialog::rebuild() {
  list_->clearContents();
  const std::vector<ScheduleInfo> schedules = context_.dataStore().schedules();
  list_->setRowCount(static_cast<int>(schedules.size()));
  int row = 0;
  for (const ScheduleInfo& entry : schedules) {
    auto* mode = new QTableWidgetItem(
        entry.captureMode == CaptureMotion ? motionModeIcon() : stillModeIcon(),
        QStringLiteral(" "));
    list_->setItem(row, ModeColumn, mode);
    const QString cells[] = {qs(entry.name),
                             dayText(entry, entry.start),
                             shortTimeText(entry.start),
                             dayText(entry, entry.end),
                             shortTimeText(entry.end),
                             QStringLiteral(" ")};
    for (int c = NameColumn; c < ColumnCount; ++c) {
      list_->setItem(row, c, new QTableWidgetItem(cells[c - NameColumn]));
    }
    ++row;
  }
  list_->clearSelection();
  list_->setCurrentItem(nullptr);
}

void SchedulerDialog::refreshStatus() {
  const Seconds now = context_.clock().now();
  const std::optional<std::string> running = context_.runningScheduleName();
  const DataStore& store = context_.dataStore();
  for (int row = 0; row < list_->rowCount(); ++row) {
    QTableWidgetItem* name = list_->item(row, NameColumn);
    QTableWidgetItem* status = list_->item(row, StatusColumn);
    ScheduleInfo entry;
    if (name == nullptr || status == nullptr ||
        !store.findSchedule(name->text().toStdString(), entry)) {
      continue;
    }
    status->setText(qtext(scheduleStatus(entry, now, running)));
  }
}

std::optional<std::string> SchedulerDialog::selectedName() const {
  const QList<QTableWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  int row = selected.first()->row();
  for (const QTableWidgetItem* item : selected) row = std::min(row, item->row());
  const QTableWidgetItem* name = list_->item(row, NameColumn);
  if (name == nullptr) return std::nullopt;
  return name->text().toStdString();
}

void SchedulerDialog::showInfo() {
  const std::optional<std::string> name = selectedName();
  ScheduleInfo entry;
  if (!name || !context_.dataStore().findSchedule(*name, entry)) return;
  ScheduleInfoDialog dialog(entry, this);
  dialog.exec();
}

void SchedulerDialog::addEntry() {
  ScheduleEditDialog dialog(context_, text(Text::ScheduleAddTitle), std::nullopt, this);
  if (dialog.exec() != QDialog::Accepted) return;
  context_.dataStore().addSchedule(dialog.entry());
  rebuild();
}

void SchedulerDialog::modifyEntry() {
  const std::optional<std::string> name = selectedName();
  ScheduleInfo entry;
  if (!name || !context_.dataStore().findSchedule(*name, entry)) return;
  ScheduleEditDialog dialog(context_, text(Text::ScheduleModifyTitle), entry, this);
  if (dialog.exec() != QDialog::Accepted) return;
  context_.dataStore().modifySchedule(entry.name, dialog.entry());
  rebuild();
}

void SchedulerDialog::deleteEntry() {
  const std::optional<std::string> name = selectedName();
  if (!name) return;
  if (context_.prompter().ask(text(Text::ScheduleDeleteQuestion), text(Text::ScheduleDeleteCaption),
                              PromptButtons::YesNo, PromptIcon::None) != PromptAnswer::Yes) {
    return;
  }
  context_.dataStore().deleteSchedule(*name);
  rebuild();
}

void SchedulerDialog::deleteInvalidEntries() {
  DataStore& store = context_.dataStore();
  const Seconds now = context_.clock().now();
  for (int row = 0; row < list_->rowCount(); ++row) {
    const QTableWidgetItem* name = list_->item(row, NameColumn);
    ScheduleInfo entry;
    if (name != nullptr && store.findSchedule(name->text().toStdString(), entry) &&
        isInvalidSchedule(entry, now)) {
      store.deleteSchedule(entry.name);
    }
  }
  rebuild();
}

void SchedulerDialog::deleteAllEntries() {
  if (context_.prompter().ask(text(Text::ScheduleDeleteAllQuestion),
                              text(Text::ScheduleDeleteCaption), PromptButtons::YesNo,
                              PromptIcon::None) != PromptAnswer::Yes) {
    return;
  }
  context_.dataStore().deleteAllSchedules();
  rebuild();
}

}  // namespace karone
