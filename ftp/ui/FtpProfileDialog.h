#pragma once
// The FTP profile dialog: one profile entered or changed, with its
// server, account, upload directory, port and passive mode, how many
// motion strips stay on the server, and the dial-up line to dial first.
//
// - Opening: without a profile, a new one (port 21, 10 strips kept,
//   passive mode off and not yet switchable); with one, its values. The
//   phone book is read from the dial-up service once; when that fails the
//   operator is told the service's reason ("RASエラー") and dial-up stays
//   unusable.
// - In use (a schedule or the automatic start uses the profile): the site
//   name and the dial-up choice are locked and kept as they were.
// - Checking the dial-up box without phone-book entries tells the operator
//   and unchecks it; checking "バッファーは削除しない" asks first.
// - OK runs the checks of confirmProfileForm (ProfileValidation.h) and
//   closes only when they pass; profile() is then the record to store. The
//   dial-up user and password a profile had stay in the hidden fields but
//   are stored empty. Cancel (Esc, the close button) stores nothing.
// - An address beginning with "ftps://" selects an encrypted connection;
//   the dialog says so beside the address.
//
// Threads: window thread.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "schedule/ProfileInfo.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace karone {

class DialupService;
class Prompter;
class ReadOnlySpinBox;

class FtpProfileDialog final : public QDialog {
  Q_OBJECT

 public:
  // title: "FTPプロファイル追加" or "FTPプロファイル修正". prefill: the
  // values to show (a profile being changed, or one entered before and
  // refused). inUse: the restricted mode.
  FtpProfileDialog(const std::string& title, const std::optional<ProfileInfo>& prefill,
                   bool inUse, DialupService& dialup, Prompter& prompter,
                   QWidget* parent = nullptr);

  // After OK: the profile with all its fields.
  const ProfileInfo& profile() const { return result_; }

  void accept() override;

 private:
  void build();
  void readPhoneBook();
  void fill(const ProfileInfo& profile);
  void fillNew();
  void applyDialupRule();
  void setDialupControlsEnabled(bool enabled);
  void keepBuffersClicked(bool checked);
  void setBufferControlsEnabled(bool enabled);
  void updateTlsHint();

  DialupService& dialup_;
  Prompter& prompter_;
  const bool inUse_;
  std::optional<ProfileInfo> prefill_;
  std::vector<std::string> phoneBook_;
  int useDialup_ = 0;
  ProfileInfo result_;

  QLineEdit* name_ = nullptr;
  QLineEdit* address_ = nullptr;
  QLabel* tlsHint_ = nullptr;
  QLineEdit* userId_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* directory_ = nullptr;
  QLineEdit* port_ = nullptr;
  QCheckBox* passive_ = nullptr;
  QLabel* keyFileLabel_ = nullptr;  // SFTP: in the passive-mode row
  QLineEdit* keyFile_ = nullptr;
  QLabel* clipCountLabel_ = nullptr;
  ReadOnlySpinBox* clipCount_ = nullptr;
  QCheckBox* keepBuffers_ = nullptr;
  QCheckBox* useDialupBox_ = nullptr;
  QLabel* entryLabel_ = nullptr;
  QComboBox* entry_ = nullptr;
  QLabel* dialupUserLabel_ = nullptr;
  QLineEdit* dialupUser_ = nullptr;
  QLabel* dialupPasswordLabel_ = nullptr;
  QLineEdit* dialupPassword_ = nullptr;
};

}  // namespace karone
