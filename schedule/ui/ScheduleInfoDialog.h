#pragma once
// "スケジュール情報": one schedule entry, read-only. Every value begins with
// a blank: the capture mode, the name, the FTP profile, the period, the
// video source ("Unknown input" for a connector without a name), the video
// size, and the start and end days and times. The days are the dates of a
// one-time entry, "毎<weekday>" for a weekly one and empty for a daily one.
// The update period is not shown. "閉じる" (Enter, Esc) closes.
//
// Threads: window thread.
#include <QDialog>

#include "schedule/ScheduleInfo.h"

namespace karone {

class ScheduleInfoDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ScheduleInfoDialog(const ScheduleInfo& entry, QWidget* parent = nullptr);
};

}  // namespace karone
