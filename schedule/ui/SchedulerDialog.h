#pragma once
// "スケジューラー設定": the schedule entries in store order (the order in
// which the next due entry is looked for), one row each with its capture
// mode icon, name, start and end days and times, and its status, and the
// buttons that show, add, change and delete entries. The dialog works on
// the data store directly: every change is stored at once and the whole
// list is built again, so rows and stored entries always correspond. A
// changed entry moves to the end of the list.
//
// The status column is refreshed every second: "進行中..." for the entry
// whose scheduled run is in progress, "無効" for a one-time entry whose
// start has passed, "スケジュール定刻" for the others.
//
// The buttons act on the selected row; without one, showing, changing and
// deleting do nothing. Deleting one entry and deleting all ask first;
// deleting the invalid entries does not. OK, Esc and the close button end
// the dialog; there is nothing to undo.
//
// Threads: window thread.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

class QTableWidget;

namespace karone {

class SchedulerContext;
class Timer;
class TimerService;

class SchedulerDialog final : public QDialog {
  Q_OBJECT

 public:
  SchedulerDialog(SchedulerContext& context, TimerService& timers, QWidget* parent = nullptr);
  ~SchedulerDialog() override;

 private:
  void build();
  void rebuild();
  void refreshStatus();
  std::optional<std::string> selectedName() const;
  void showInfo();
  void addEntry();
  void modifyEntry();
  void deleteEntry();
  void deleteInvalidEntries();
  void deleteAllEntries();

  SchedulerContext& context_;
  QTableWidget* list_ = nullptr;
  std::unique_ptr<Timer> statusTimer_;
};

}  // namespace karone
