#include "schedule/ui/ScheduleEditDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <algorithm>

#include "platform/ConnectorType.h"
#include "platform/Prompter.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/QtText.h"
#include "platform/ui/SectionClick.h"
#include "platform/ui/ReadOnlySpinBox.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "schedule/ScheduleEdit.h"
#include "schedule/ScheduleRules.h"
#include "schedule/ScheduleTexts.h"
#include "schedule/SchedulerContext.h"
#include "schedule/UpdatePeriodSpin.h"
#include "schedule/ui/LocalDateTexts.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 135;
constexpr int kHeight = 289;
// "日:" needs a little more room in the stand-in font than its 8 units.
constexpr int kDayLabelWidth = 10;
// The size a new entry starts with: 176 x 144.
constexpr int kNewVideoSize = 1;
constexpr int kVideoSizeCount = 3;
constexpr int kNewUpdatePeriod = 3600;
// Dates the stored 32-bit instants can hold.
const QDate kFirstDate(1970, 1, 2);
const QDate kLastDate(2037, 12, 31);

// The instant with its local date replaced, keeping its time of day.
Seconds withDate(Seconds instant, const QDate& date) {
  LocalTime local = toLocalTime(instant);
  local.year = date.year();
  local.month = date.month();
  local.day = date.day();
  return fromLocalTime(local);
}

// The instant with its time of day replaced, keeping its local date.
Seconds withTime(Seconds instant, const QTime& time) {
  LocalTime local = toLocalTime(instant);
  local.hour = time.hour();
  local.minute = time.minute();
  local.second = 0;
  return fromLocalTime(local);
}

LocalDate toLocalDate(Seconds instant) {
  const LocalTime local = toLocalTime(instant);
  return LocalDate{local.year, local.month, local.day};
}

}  // namespace

ScheduleEditDialog::ScheduleEditDialog(SchedulerContext& context, const std::string& caption,
                                       const std::optional<ScheduleInfo>& entry, QWidget* parent)
    : QDialog(parent), context_(context), caption_(caption) {
  setObjectName("scheduleEditDialog");
  setWindowTitle(qs(caption));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  build();
  fillLists();
  if (entry) {
    modifiedName_ = entry->name;
    fill(*entry);
  } else {
    fillNew();
  }
  applyPeriodLayout();
  showInstants();
  chooseMode(still_->isChecked() ? CaptureStill : CaptureMotion);
}

void ScheduleEditDialog::build() {
  DialogBuilder b(*this, kWidth, kHeight);

  b.group(qtext(Text::CaptureModeGroup), "modeGroup", 0, 7, 7, 121, 30);
  b.group(qtext(Text::ScheduleStartGroup), "startGroup", 0, 7, 118, 121, 47);
  b.group(qtext(Text::ScheduleEndGroup), "endGroup", 1085, 7, 170, 121, 47);
  QGroupBox* updateGroup = b.group(qtext(Text::UpdatePeriodGroup), "updateGroup", 1111, 7, 221, 121, 35);

  motion_ = b.radio(qtext(Text::ModeMotion), "motionRadio", 1079, 14, 19, 40, 12);
  still_ = b.radio(qtext(Text::ModeStill), "stillRadio", 1080, 66, 19, 40, 12);
  auto* modes = new QButtonGroup(this);
  modes->addButton(motion_, CaptureMotion);
  modes->addButton(still_, CaptureStill);

  b.label(qtext(Text::ScheduleNameLabel), "nameLabel", 0, 7, 43, 46, 14);
  name_ = b.edit("nameEdit", 1038, 62, 41, 66, 13);
  b.label(qtext(Text::ScheduleProfileLabel), "profileLabel", 0, 7, 58, 53, 11);
  profile_ = b.dropDownList("profileList", 1046, 62, 56, 66, 127);
  b.label(qtext(Text::SchedulePeriodLabel), "periodLabel", 0, 7, 73, 46, 14);
  period_ = b.dropDownList("periodList", 1041, 62, 71, 66, 65);
  b.label(qtext(Text::ScheduleSourceLabel), "sourceLabel", 0, 7, 88, 46, 14);
  source_ = b.dropDownList("sourceList", 1059, 62, 86, 66, 58);
  b.label(qtext(Text::ScheduleSizeLabel), "sizeLabel", 0, 7, 103, 46, 14);
  size_ = b.dropDownList("sizeList", 1060, 62, 101, 66, 52);

  auto datePicker = [&](const char* name, int id, int y) {
    auto* picker = b.put(new QDateEdit(this), name, id, 61, y, 57, 12);
    picker->setLocale(windowLocale());
    picker->setDisplayFormat(shortDateFormat());
    picker->setDateRange(kFirstDate, kLastDate);
    picker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    selectSectionOnClick(*picker);
    return picker;
  };
  auto timePicker = [&](const char* name, int id, int y) {
    auto* picker = b.put(new QTimeEdit(this), name, id, 61, y, 57, 14);
    picker->setLocale(windowLocale());
    picker->setDisplayFormat(shortTimeFormat());
    picker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    selectSectionOnClick(*picker);
    return picker;
  };
  auto weekdayList = [&](const char* name, int id, int y, int listHeight) {
    QComboBox* list = b.dropDownList(name, id, 61, y, 57, listHeight);
    for (int day = 0; day < kWeekdayCount; ++day) list->addItem(qs(weekdayName(day)));
    list->hide();
    return list;
  };
  b.label(qtext(Text::ScheduleDayLabel), "startDayLabel", 0, 13, 132, kDayLabelWidth, 8);
  startDateEdit_ = datePicker("startDatePicker", 1036, 129);
  startWeekday_ = weekdayList("startWeekdayList", 1044, 129, 93);
  b.label(qtext(Text::ScheduleTimeLabel), "startTimeLabel", 0, 13, 146, 16, 8);
  startTimeEdit_ = timePicker("startTimePicker", 1037, 144);
  b.label(qtext(Text::ScheduleDayLabel), "endDayLabel", 1086, 13, 184, kDayLabelWidth, 8);
  endDateEdit_ = datePicker("endDatePicker", 1042, 181);
  endWeekday_ = weekdayList("endWeekdayList", 1045, 181, 86);
  b.label(qtext(Text::ScheduleTimeLabel), "endTimeLabel", 1087, 13, 198, 16, 8);
  endTimeEdit_ = timePicker("endTimePicker", 1043, 195);

  hours_ = b.spin("hourSpin", 1112, 14, 234, 23, 13);
  hours_->setRange(0, kUpdateHourMax);
  QLabel* colon = b.label(qtext(Text::UpdatePeriodSeparator), "colonLabel", 1116, 40, 236, 8, 10);
  colon->setAlignment(Qt::AlignCenter);
  minutes_ = b.spin("minuteSpin", 1114, 50, 234, 23, 13);
  QLabel* format = b.label(qtext(Text::UpdatePeriodFormat), "formatLabel", 1117, 79, 236, 30, 11);
  updateControls_ = {updateGroup, hours_, colon, minutes_, format};

  QPushButton* ok = b.button(qtext(Text::ButtonOk), "okButton", 1, 11, 265, 50, 14);
  ok->setDefault(true);
  QPushButton* cancel = b.button(qtext(Text::DialogCancel), "cancelButton", 2, 64, 265, 50, 14);

  connect(motion_, &QRadioButton::clicked, this, [this] { chooseMode(CaptureMotion); });
  connect(still_, &QRadioButton::clicked, this, [this] { chooseMode(CaptureStill); });
  connect(period_, &QComboBox::currentIndexChanged, this, [this] {
    applyPeriodLayout();
    showInstants();
  });
  connect(startWeekday_, &QComboBox::currentIndexChanged, this, [this](int day) {
    const QSignalBlocker quiet(endWeekday_);
    endWeekday_->setCurrentIndex(day);
  });
  connect(endWeekday_, &QComboBox::currentIndexChanged, this, [this](int day) {
    const QSignalBlocker quiet(startWeekday_);
    startWeekday_->setCurrentIndex(day);
  });
  connect(startDateEdit_, &QDateEdit::dateChanged, this,
          [this](const QDate& d) { startDate_ = withDate(startDate_, d); });
  connect(startTimeEdit_, &QTimeEdit::timeChanged, this,
          [this](const QTime& t) { startTime_ = withTime(startTime_, t); });
  connect(endDateEdit_, &QDateEdit::dateChanged, this,
          [this](const QDate& d) { endDate_ = withDate(endDate_, d); });
  connect(endTimeEdit_, &QTimeEdit::timeChanged, this,
          [this](const QTime& t) { endTime_ = withTime(endTime_, t); });
  connect(hours_, &QSpinBox::valueChanged, this, &ScheduleEditDialog::hourChanged);
  connect(ok, &QPushButton::clicked, this, &ScheduleEditDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &ScheduleEditDialog::reject);
}

void ScheduleEditDialog::fillLists() {
  const QSignalBlocker quietPeriod(period_);
  std::vector<std::string> names;
  for (const ProfileInfo& p : context_.dataStore().profiles()) names.push_back(p.name);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) profile_->addItem(qs(name));
  profile_->setCurrentIndex(names.empty() ? -1 : 0);

  for (std::int32_t period : {PeriodOnce, PeriodWeekly, PeriodDaily}) {
    period_->addItem(qs(periodName(period)));
  }
  for (int type : context_.videoInputTypes()) {
    if (type < connector::kTuner || type > connector::kSVideo) continue;
    source_->addItem(qs(videoSourceName(type)), type);
  }
  source_->setEnabled(source_->count() > 0);
  source_->setCurrentIndex(source_->count() > 0 ? 0 : -1);
  for (int size = 0; size < kVideoSizeCount; ++size) size_->addItem(qs(videoSizeName(size)));
}

void ScheduleEditDialog::fillNew() {
  motion_->setChecked(true);
  const Seconds noon = atLocalTimeOfDay(context_.clock().now(), 0, 12, 0, 0);
  startDate_ = startTime_ = endDate_ = endTime_ = noon;
  const QSignalBlocker quiet(period_);
  period_->setCurrentIndex(PeriodOnce);
  size_->setCurrentIndex(kNewVideoSize);
  startWeekday_->setCurrentIndex(0);
  endWeekday_->setCurrentIndex(0);
  setUpdatePeriod(kNewUpdatePeriod);
}

void ScheduleEditDialog::fill(const ScheduleInfo& e) {
  (e.captureMode == CaptureMotion ? motion_ : still_)->setChecked(true);
  name_->setText(qs(e.name));
  startDate_ = startTime_ = e.start;
  endDate_ = endTime_ = e.end;
  const QSignalBlocker quiet(period_);
  period_->setCurrentIndex(e.period >= PeriodOnce && e.period <= PeriodDaily ? e.period : PeriodOnce);
  size_->setCurrentIndex(e.videoSize >= 0 && e.videoSize < kVideoSizeCount ? e.videoSize : 2);
  const int source = source_->findData(e.videoSource);
  if (source >= 0) source_->setCurrentIndex(source);
  const int profile = profile_->findText(qs(e.ftpProfileName), Qt::MatchExactly | Qt::MatchCaseSensitive);
  profile_->setCurrentIndex(profile >= 0 ? profile : (profile_->count() > 0 ? 0 : -1));
  setUpdatePeriod(e.updatePeriod);
}

void ScheduleEditDialog::applyPeriodLayout() {
  const int period = period_->currentIndex();
  const bool weekly = period == PeriodWeekly;
  for (QComboBox* list : {startWeekday_, endWeekday_}) {
    list->setVisible(weekly);
    list->setEnabled(weekly);
  }
  for (QDateEdit* picker : {startDateEdit_, endDateEdit_}) {
    picker->setVisible(!weekly);
    picker->setEnabled(period == PeriodOnce);
  }
}

void ScheduleEditDialog::showInstants() {
  {
    // The time pickers show their own values in every period.
    const QSignalBlocker quietStart(startTimeEdit_);
    const QSignalBlocker quietEnd(endTimeEdit_);
    startTimeEdit_->setTime(localTimeOfDay(startTime_));
    endTimeEdit_->setTime(localTimeOfDay(endTime_));
  }
  if (period_->currentIndex() == PeriodWeekly) {
    const QSignalBlocker quietStart(startWeekday_);
    const QSignalBlocker quietEnd(endWeekday_);
    startWeekday_->setCurrentIndex(toLocalTime(startTime_).weekday);
    endWeekday_->setCurrentIndex(toLocalTime(endTime_).weekday);
    return;
  }
  const QSignalBlocker quietStart(startDateEdit_);
  const QSignalBlocker quietEnd(endDateEdit_);
  startDateEdit_->setDate(localDate(startDate_));
  endDateEdit_->setDate(localDate(endDate_));
}

void ScheduleEditDialog::chooseMode(int mode) {
  for (QWidget* w : updateControls_) w->setEnabled(mode == CaptureStill);
}

void ScheduleEditDialog::setUpdatePeriod(std::int32_t seconds) {
  const UpdatePeriodSpin spin = updatePeriodSpinFor(seconds);
  const QSignalBlocker quietHours(hours_);
  hours_->setValue(spin.hour);
  minutes_->setRange(spin.minuteMin, spin.minuteMax);
  minutes_->setValue(spin.minute);
}

void ScheduleEditDialog::hourChanged(int hour) {
  const UpdatePeriodSpin spin = afterHourChange(hour, minutes_->value());
  minutes_->setRange(spin.minuteMin, spin.minuteMax);
  minutes_->setValue(spin.minute);
}

void ScheduleEditDialog::accept() {
  ScheduleFields fields;
  fields.name = name_->text().toStdString();
  fields.captureMode = motion_->isChecked() ? CaptureMotion : CaptureStill;
  fields.ftpProfileName = profile_->currentIndex() >= 0 ? profile_->currentText().toStdString() : "";
  fields.period = period_->currentIndex();
  fields.videoSource = source_->currentIndex() >= 0 ? source_->currentData().toInt() : connector::kNone;
  fields.videoSize = size_->currentIndex();
  fields.updatePeriod = updatePeriodSeconds(hours_->value(), minutes_->value());
  fields.weekday = startWeekday_->currentIndex();
  fields.startDate = toLocalDate(startDate_);
  fields.endDate = toLocalDate(endDate_);
  const LocalTime start = toLocalTime(startTime_);
  const LocalTime end = toLocalTime(endTime_);
  fields.startHour = start.hour;
  fields.startMinute = start.minute;
  fields.endHour = end.hour;
  fields.endMinute = end.minute;

  DataStore& store = context_.dataStore();
  const ScheduleEditResult confirmed =
      confirmScheduleEdit(fields, context_.clock().now(), store.schedules(), store.profiles(),
                          modifiedName_);
  if (confirmed.refusal) {
    context_.prompter().ask(confirmed.refusal->text, caption_, PromptButtons::Ok,
                            PromptIcon::Warning);
    return;
  }
  result_ = confirmed.entry;
  QDialog::accept();
}

}  // namespace karone
