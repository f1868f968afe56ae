#include "capture/ui/CaptureSettingsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "capture/CaptureSettingsForm.h"
#include "platform/ListSearch.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ReadOnlySpinBox.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 200;
constexpr int kHeight = 232;
constexpr int kQualityMin = 1;
constexpr int kQualityMax = 99;

}  // namespace

CaptureSettingsDialog::CaptureSettingsDialog(const CaptureSettings& values,
                                             std::vector<std::string> profileNames,
                                             Prompter& prompter, QWidget* parent)
    : QDialog(parent), values_(values), profileNames_(std::move(profileNames)),
      prompter_(prompter) {
  setObjectName("captureSettingsDialog");
  setWindowTitle(qtext(Text::CaptureSettingsTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  std::sort(profileNames_.begin(), profileNames_.end());
  build();

  values_.frameRate = 1;
  quality_->setValue(values.quality);
  const StillChoice opening = openingStillChoice(values.stillUnit, values.stillIndex);
  chooseUnit(opening.unit);
  {
    const QSignalBlocker quiet(unitLists_[static_cast<std::size_t>(opening.unit)]);
    unitLists_[static_cast<std::size_t>(opening.unit)]->setCurrentIndex(opening.index);
  }
  chooseMode(values.mode == 1 ? 1 : 0);
  keepOldImages_->setChecked(values.keepOldImages);
  autoStart_->setChecked(values.autoReconnect);
  for (const std::string& name : profileNames_) autoStartProfile_->addItem(qs(name));
  autoStartProfile_->setCurrentIndex(findListEntry(profileNames_, values.autoReconnectProfile));
  updateEnabling();
}

void CaptureSettingsDialog::build() {
  DialogBuilder b(*this, kWidth, kHeight);

  b.group(qtext(Text::CaptureModeGroup), "modeGroup", 0, 7, 7, 186, 28);
  QGroupBox* stillGroup = b.group(qtext(Text::ModeStill), "stillGroup", 1065, 7, 60, 186, 104);
  b.group(QString(), "autoStartGroup", 1077, 7, 168, 186, 36);

  motion_ = b.radio(qtext(Text::ModeMotion), "motionRadio", 1060, 16, 18, 50, 10);
  still_ = b.radio(qtext(Text::ModeStill), "stillRadio", 1061, 76, 18, 50, 10);
  auto* modes = new QButtonGroup(this);
  modes->addButton(motion_, 0);
  modes->addButton(still_, 1);

  b.label(qtext(Text::CaptureQualityLabel), "qualityLabel", 1063, 7, 44, 70, 8);
  quality_ = b.spin("qualitySpin", 1021, 80, 42, 32, 12);
  quality_->setRange(kQualityMin, kQualityMax);

  QLabel* periodLabel = b.label(qtext(Text::StillPeriodLabel), "periodLabel", 1066, 14, 72, 60, 8);
  struct Unit {
    Text text;
    const char* radioName;
    int radioId;
    const char* listName;
    int listId;
    int y;
  };
  const Unit units[] = {
      {Text::StillUnitSeconds, "secondsRadio", 1068, "secondsList", 1067, 82},
      {Text::StillUnitMinutes, "minutesRadio", 1070, "minutesList", 1069, 98},
      {Text::StillUnitHours, "hoursRadio", 1072, "hoursList", 1071, 114},
  };
  auto* unitGroup = new QButtonGroup(this);
  for (int u = 0; u < kStillUnitCount; ++u) {
    const Unit& unit = units[u];
    QRadioButton* radio = b.radio(qtext(unit.text), unit.radioName, unit.radioId, 20, unit.y + 2, 62, 10);
    QComboBox* list = b.dropDownList(unit.listName, unit.listId, 90, unit.y, 60, 100);
    for (const std::string& entry : stillPeriodEntries(u)) list->addItem(qs(entry));
    unitGroup->addButton(radio, u);
    unitRadios_[static_cast<std::size_t>(u)] = radio;
    unitLists_[static_cast<std::size_t>(u)] = list;
    connect(radio, &QRadioButton::clicked, this, [this, u] { chooseUnit(u); });
  }
  connect(unitLists_[StillMinutes], &QComboBox::currentIndexChanged, this,
          [this] { updateEnabling(); });
  QLabel* hint =
      b.label(qtext(Text::UseSchedulerHint), "schedulerHint", 1073, 14, 131, 172, 17);
  hint->setWordWrap(true);
  keepOldImages_ = b.check(qtext(Text::KeepOldImages), "keepOldImagesCheck", 1079, 14, 150, 120, 10);
  stillControls_ = {keepOldImages_, stillGroup, periodLabel, unitRadios_[0], unitRadios_[1],
                    unitRadios_[2], hint};

  autoStart_ = b.check(qtext(Text::AutoStart), "autoStartCheck", 1076, 14, 174, 80, 10);
  autoStartLabel_ =
      b.label(qtext(Text::AutoStartProfileLabel), "autoStartProfileLabel", 1078, 14, 189, 55, 8);
  autoStartProfile_ = b.dropDownList("autoStartProfileList", 1046, 72, 187, 114, 80);

  QPushButton* ok = b.button(qtext(Text::ButtonOk), "okButton", 1, 86, 210, 50, 14);
  ok->setDefault(true);
  QPushButton* cancel = b.button(qtext(Text::DialogCancel), "cancelButton", 2, 143, 210, 50, 14);

  connect(motion_, &QRadioButton::clicked, this, [this] { chooseMode(0); });
  connect(still_, &QRadioButton::clicked, this, [this] { chooseMode(1); });
  connect(ok, &QPushButton::clicked, this, &CaptureSettingsDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CaptureSettingsDialog::reject);
}

void CaptureSettingsDialog::chooseMode(int mode) {
  mode_ = mode;
  (mode == 1 ? still_ : motion_)->setChecked(true);
  updateEnabling();
}

void CaptureSettingsDialog::chooseUnit(int unit) {
  unit_ = unit;
  unitRadios_[static_cast<std::size_t>(unit)]->setChecked(true);
  for (int u = 0; u < kStillUnitCount; ++u) {
    QComboBox* list = unitLists_[static_cast<std::size_t>(u)];
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(u == unit ? 0 : -1);
  }
  updateEnabling();
}

int CaptureSettingsDialog::chosenIndex() const {
  return unitLists_[static_cast<std::size_t>(unit_)]->currentIndex();
}

void CaptureSettingsDialog::updateEnabling() {
  const bool still = mode_ == 1;
  for (QWidget* w : stillControls_) w->setEnabled(still);
  for (int u = 0; u < kStillUnitCount; ++u) {
    unitLists_[static_cast<std::size_t>(u)]->setEnabled(still && u == unit_);
  }
  const bool allowed = autoStartAllowed(mode_, unit_, chosenIndex(),
                                        static_cast<int>(profileNames_.size()));
  autoStart_->setEnabled(allowed);
  autoStartLabel_->setEnabled(allowed);
  autoStartProfile_->setEnabled(allowed);
}

void CaptureSettingsDialog::accept() {
  CaptureSettingsChoice choice;
  choice.mode = mode_;
  choice.quality = quality_->value();
  choice.stillUnit = unit_;
  choice.stillIndex = chosenIndex();
  choice.keepOldImages = keepOldImages_->isChecked();
  choice.autoStartChecked = autoStart_->isChecked();
  if (autoStartProfile_->currentIndex() >= 0) {
    choice.autoStartProfile = profileNames_[static_cast<std::size_t>(autoStartProfile_->currentIndex())];
  }
  choice.profileCount = static_cast<int>(profileNames_.size());
  std::optional<CaptureSettings> confirmed = confirmCaptureSettings(values_, choice, prompter_);
  if (!confirmed) return;
  values_ = *confirmed;
  QDialog::accept();
}

}  // namespace karone
