#pragma once
// The form in which one schedule entry is added ("スケジュール追加") or
// changed ("スケジュール修正"): capture mode, name, FTP profile, period,
// video source and size, the start and end (dates and times for a one-time
// entry, a weekday and times for a weekly one, times for a daily one) and,
// in still mode, the update period (0:10 to 4:59).
//
// - Add: motion, today at 12:00 for start and end, "1回", "176 x 144",
//   Sunday, the first profile, an update period of 1:00. Modify: the
//   entry's values; a profile that no longer exists shows the first one.
// - The dialog keeps four instants (start date, start time, end date, end
//   time), each changed only by its own picker. Every change of the period
//   shows them again: the pickers for "1回" and "毎日" (whose dates are
//   shown but disabled and never used), the weekdays of the two time
//   values for "毎週". Choosing a weekday in one list chooses it in the
//   other.
// - The video sources are the current device's tuner, composite and
//   S-video inputs; without any the list is empty and disabled and the
//   entry gets source -1.
// - OK forms the entry at the current time and runs the checks of
//   ScheduleEdit.h; the first refusal is shown with this dialog's caption
//   and the dialog stays open with everything as entered. entry() is then
//   the entry to store. Cancel stores nothing.
//
// Threads: window thread.
#include <QDialog>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "schedule/ScheduleInfo.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;

namespace karone {

class ReadOnlySpinBox;
class SchedulerContext;

class ScheduleEditDialog final : public QDialog {
  Q_OBJECT

 public:
  // entry: the entry to change (modify mode); nothing adds a new one.
  ScheduleEditDialog(SchedulerContext& context, const std::string& caption,
                     const std::optional<ScheduleInfo>& entry, QWidget* parent = nullptr);

  // After OK: the entry as formed and checked.
  const ScheduleInfo& entry() const { return result_; }

  void accept() override;

 private:
  void build();
  void fillLists();
  void fillNew();
  void fill(const ScheduleInfo& entry);
  void applyPeriodLayout();
  void showInstants();
  void chooseMode(int mode);
  void hourChanged(int hour);
  void setUpdatePeriod(std::int32_t seconds);

  SchedulerContext& context_;
  const std::string caption_;
  std::optional<std::string> modifiedName_;
  // The pickers' own values.
  Seconds startDate_ = 0;
  Seconds startTime_ = 0;
  Seconds endDate_ = 0;
  Seconds endTime_ = 0;
  ScheduleInfo result_;

  QRadioButton* motion_ = nullptr;
  QRadioButton* still_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* profile_ = nullptr;
  QComboBox* period_ = nullptr;
  QComboBox* source_ = nullptr;
  QComboBox* size_ = nullptr;
  QDateEdit* startDateEdit_ = nullptr;
  QComboBox* startWeekday_ = nullptr;
  QTimeEdit* startTimeEdit_ = nullptr;
  QDateEdit* endDateEdit_ = nullptr;
  QComboBox* endWeekday_ = nullptr;
  QTimeEdit* endTimeEdit_ = nullptr;
  std::vector<QWidget*> updateControls_;
  ReadOnlySpinBox* hours_ = nullptr;
  ReadOnlySpinBox* minutes_ = nullptr;
};

}  // namespace karone
