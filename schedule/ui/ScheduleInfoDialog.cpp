#include "schedule/ui/ScheduleInfoDialog.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/ui/DialogBuilder.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"
#include "schedule/ScheduleRules.h"
#include "schedule/ScheduleTexts.h"
#include "schedule/ui/LocalDateTexts.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 172;
constexpr int kHeight = 181;
constexpr int kLabelWidth = 76;
constexpr int kLabelHeight = 9;

// The day of one of the entry's instants.
QString dayText(const ScheduleInfo& entry, Seconds instant) {
  if (entry.period == PeriodDaily) return QString();
  const std::optional<std::string> every = scheduleDayName(entry, instant);
  return every ? qs(*every) : shortDateText(instant);
}

}  // namespace

ScheduleInfoDialog::ScheduleInfoDialog(const ScheduleInfo& entry, QWidget* parent)
    : QDialog(parent) {
  setObjectName("scheduleInfoDialog");
  setWindowTitle(qtext(Text::ScheduleInfoTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  DialogBuilder b(*this, kWidth, kHeight);

  const QString blank = QStringLiteral(" ");
  const struct {
    Text label;
    const char* labelName;
    int y;
    int id;
    const char* valueName;
    QString value;
  } rows[] = {
      {Text::InfoModeLabel, "modeLabel", 8, 1089, "modeValue", qs(captureModeName(entry.captureMode))},
      {Text::InfoNameLabel, "nameLabel", 22, 1081, "nameValue", qs(entry.name)},
      {Text::InfoProfileLabel, "profileLabel", 36, 1078, "profileValue", qs(entry.ftpProfileName)},
      {Text::InfoPeriodLabel, "periodLabel", 50, 1082, "periodValue", qs(periodName(entry.period))},
      {Text::InfoSourceLabel, "sourceLabel", 64, 1083, "sourceValue",
       qs(scheduleSourceName(entry.videoSource))},
      {Text::InfoSizeLabel, "sizeLabel", 78, 1084, "sizeValue", qs(videoSizeName(entry.videoSize))},
      {Text::InfoStartDateLabel, "startDateLabel", 91, 1085, "startDateValue",
       dayText(entry, entry.start)},
      {Text::InfoStartTimeLabel, "startTimeLabel", 105, 1086, "startTimeValue",
       shortTimeText(entry.start)},
      {Text::InfoEndDateLabel, "endDateLabel", 119, 1087, "endDateValue",
       dayText(entry, entry.end)},
      {Text::InfoEndTimeLabel, "endTimeLabel", 133, 1088, "endTimeValue",
       shortTimeText(entry.end)},
  };
  for (const auto& row : rows) {
    b.label(qtext(row.label), row.labelName, 0, 7, row.y, kLabelWidth, kLabelHeight);
    b.label(blank + row.value, row.valueName, row.id, 84, row.y - 1, 81, 11);
  }

  auto* line = b.put(new QFrame(this), "separator", 0, 7, 151, 158, 1);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  QPushButton* close = b.button(qtext(Text::InfoClose), "closeButton", 1, 60, 160, 50, 14);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace karone
