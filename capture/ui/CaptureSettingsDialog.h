#pragma once
// "ｷｬﾌﾟﾁｬｰ設定": the capture mode, the JPEG quality, the still period (a
// unit and an entry of its list), keeping the previous still picture, and
// the automatic start with the FTP profile it uses. The rules live in
// CaptureSettingsForm.h; this window shows them:
// - the still controls follow the mode; of the three period lists only the
//   chosen unit's is enabled, and choosing a unit selects its first entry;
// - "自動スタート" and its profile list are enabled only while the
//   automatic start may be chosen;
// - OK stores through confirmCaptureSettings and stays open when it
//   refuses; values() is then the record to keep. Cancel (Esc, the close
//   button) keeps nothing.
//
// Threads: window thread.
#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "capture/CaptureSettings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace karone {

class Prompter;
class ReadOnlySpinBox;

class CaptureSettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  // profileNames: the site names of the FTP profiles, in any order.
  CaptureSettingsDialog(const CaptureSettings& values, std::vector<std::string> profileNames,
                        Prompter& prompter, QWidget* parent = nullptr);

  // After OK: the settings chosen.
  const CaptureSettings& values() const { return values_; }

  void accept() override;

 private:
  void build();
  void chooseMode(int mode);
  void chooseUnit(int unit);
  void updateEnabling();
  int chosenIndex() const;

  CaptureSettings values_;
  std::vector<std::string> profileNames_;
  Prompter& prompter_;
  int mode_ = 0;
  int unit_ = 0;

  QRadioButton* motion_ = nullptr;
  QRadioButton* still_ = nullptr;
  ReadOnlySpinBox* quality_ = nullptr;
  std::array<QRadioButton*, 3> unitRadios_{};
  std::array<QComboBox*, 3> unitLists_{};
  std::vector<QWidget*> stillControls_;
  QCheckBox* keepOldImages_ = nullptr;
  QCheckBox* autoStart_ = nullptr;
  QLabel* autoStartLabel_ = nullptr;
  QComboBox* autoStartProfile_ = nullptr;
};

}  // namespace karone
