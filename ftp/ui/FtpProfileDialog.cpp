#include "ftp/ui/FtpProfileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "ftp/ProfileValidation.h"
#include "platform/DialupService.h"
#include "platform/ListSearch.h"
#include "platform/Prompter.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ReadOnlySpinBox.h"
#include "resources/Texts.h"

#include "schedule/RecordRules.h"

namespace karone {
namespace {

std::string str(const QString& s) { return s.toStdString(); }

// The layout, in dialog units.
constexpr int kWidth = 195;
constexpr int kHeight = 271;
constexpr int kNewClipCount = 10;
constexpr int kNewPort = 21;

bool selectsTls(const QString& address) {
  return address.trimmed().startsWith(QStringLiteral("ftps://"), Qt::CaseInsensitive);
}

bool selectsSftp(const QString& address) {
  return address.trimmed().startsWith(QStringLiteral("sftp://"), Qt::CaseInsensitive);
}

}  // namespace

FtpProfileDialog::FtpProfileDialog(const std::string& title,
                                   const std::optional<ProfileInfo>& prefill, bool inUse,
                                   DialupService& dialup, Prompter& prompter, QWidget* parent)
    : QDialog(parent), dialup_(dialup), prompter_(prompter), inUse_(inUse), prefill_(prefill) {
  setObjectName("ftpProfileDialog");
  setWindowTitle(qs(title));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  build();
  readPhoneBook();
  if (prefill_) {
    fill(*prefill_);
  } else {
    fillNew();
  }
  applyDialupRule();
  updateTlsHint();
}

void FtpProfileDialog::build() {
  DialogBuilder b(*this, kWidth, kHeight);

  b.group(qtext(Text::ProfileFtpGroup), "ftpGroup", 0, 7, 7, 181, 184);
  b.group(qtext(Text::ProfileDetailsGroup), "detailsGroup", 0, 13, 92, 168, 47);
  b.group(qtext(Text::ProfileBufferGroup), "bufferGroup", 0, 13, 145, 168, 43);
  b.group(qtext(Text::ProfileDialupGroup), "dialupGroup", 0, 7, 195, 181, 48);

  b.label(qtext(Text::ProfileNameLabel), "nameLabel", 0, 13, 23, 58, 10);
  name_ = b.edit("nameEdit", 0, 103, 22, 78, 12);
  b.label(qtext(Text::ProfileAddressLabel), "addressLabel", 0, 13, 37, 58, 9);
  tlsHint_ = b.label(qtext(Text::ProfileTlsHint), "tlsHint", 0, 72, 37, 30, 9);
  tlsHint_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  tlsHint_->setToolTip(qtext(Text::ProfileTlsTip));
  address_ = b.edit("addressEdit", 0, 103, 36, 78, 12);
  address_->setPlaceholderText(qtext(Text::ProfileTlsPlaceholder));
  address_->setToolTip(qtext(Text::ProfileTlsTip));
  b.label(qtext(Text::ProfileUserLabel), "userLabel", 0, 13, 51, 58, 9);
  userId_ = b.edit("userEdit", 0, 103, 50, 78, 12);
  b.label(qtext(Text::ProfilePasswordLabel), "passwordLabel", 0, 12, 65, 58, 9);
  password_ = b.edit("passwordEdit", 0, 103, 64, 78, 12);
  password_->setEchoMode(QLineEdit::Password);
  b.label(qtext(Text::ProfileDirectoryLabel), "directoryLabel", 0, 13, 79, 89, 10);
  directory_ = b.edit("directoryEdit", 0, 103, 78, 78, 12);

  b.label(qtext(Text::ProfilePortLabel), "portLabel", 0, 21, 107, 64, 8);
  port_ = b.edit("portEdit", 0, 148, 104, 27, 12);
  port_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), port_));
  passive_ = b.check(qtext(Text::ProfilePassive), "passiveCheck", 0, 21, 121, 96, 9);
  // SFTP has no passive mode: its row holds the key file instead.
  keyFileLabel_ = b.label(qtext(Text::ProfileKeyFileLabel), "keyFileLabel", 0, 21, 122, 40, 9);
  keyFile_ = b.edit("keyFileEdit", 0, 62, 120, 113, 12);
  keyFile_->setPlaceholderText(qtext(Text::ProfileKeyFilePlaceholder));
  keyFile_->setToolTip(qtext(Text::ProfileKeyFileTip));

  clipCountLabel_ =
      b.label(qtext(Text::ProfileClipCountLabel), "clipCountLabel", 0, 20, 155, 120, 9);
  clipCount_ = b.spin("clipCountSpin", 0, 148, 154, 27, 12);
  clipCount_->setRange(kMinBufferClipCount, kMaxBufferClipCount);
  keepBuffers_ = b.check(qtext(Text::ProfileKeepBuffers), "keepBuffersCheck", 0, 21, 170, 96, 9);

  useDialupBox_ = b.check(qtext(Text::ProfileUseDialup), "useDialupCheck", 0, 13, 209, 145, 10);
  entryLabel_ = b.label(qtext(Text::ProfileDialupEntryLabel), "dialupEntryLabel", 0, 13, 226, 77, 10);
  entry_ = b.dropDownList("dialupEntryList", 0, 101, 223, 80, 72);
  // Kept for profiles that carry them; never shown and stored empty.
  dialupUserLabel_ = b.label(qtext(Text::ProfileDialupUserLabel), "dialupUserLabel", 0, 13, 237, 39, 10);
  dialupUser_ = b.edit("dialupUserEdit", 0, 88, 235, 93, 12);
  dialupPasswordLabel_ =
      b.label(qtext(Text::ProfileDialupPasswordLabel), "dialupPasswordLabel", 0, 13, 254, 36, 10);
  dialupPassword_ = b.edit("dialupPasswordEdit", 0, 88, 252, 93, 12);
  dialupPassword_->setEchoMode(QLineEdit::Password);
  for (QWidget* hidden : std::initializer_list<QWidget*>{dialupUserLabel_, dialupUser_,
                                                         dialupPasswordLabel_, dialupPassword_}) {
    hidden->hide();
  }

  QPushButton* ok = b.button(qtext(Text::ButtonOk), "okButton", 1, 41, 250, 50, 14);
  ok->setDefault(true);
  QPushButton* cancel = b.button(qtext(Text::DialogCancel), "cancelButton", 2, 104, 250, 50, 14);

  connect(ok, &QPushButton::clicked, this, &FtpProfileDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &FtpProfileDialog::reject);
  connect(useDialupBox_, &QCheckBox::clicked, this, [this] { applyDialupRule(); });
  connect(keepBuffers_, &QCheckBox::clicked, this, &FtpProfileDialog::keepBuffersClicked);
  connect(address_, &QLineEdit::textChanged, this, [this] { updateTlsHint(); });
  // Typing the scheme brings its usual port, unless another was chosen.
  connect(address_, &QLineEdit::textEdited, this, [this](const QString& address) {
    const bool sftp = selectsSftp(address);
    if (sftp && port_->text() == QString::number(kNewPort)) port_->setText(QStringLiteral("22"));
    if (!sftp && port_->text() == QStringLiteral("22")) port_->setText(QString::number(kNewPort));
  });
}

void FtpProfileDialog::readPhoneBook() {
  entry_->clear();
  const DialupEntries book = dialup_.readEntries();
  if (book.error != DialupOk) {
    prompter_.ask(dialup_.errorText(book.error), text(Text::RasErrorCaption), PromptButtons::Ok,
                  PromptIcon::Warning);
    phoneBook_.clear();
    return;
  }
  phoneBook_ = book.names;
  for (const std::string& name : phoneBook_) entry_->addItem(qs(name));
}

void FtpProfileDialog::fill(const ProfileInfo& p) {
  name_->setText(qs(p.name));
  address_->setText(qs(p.address));
  userId_->setText(qs(p.userId));
  password_->setText(qs(p.password));
  directory_->setText(qs(p.uploadDirectory));
  clipCount_->setValue(p.bufferClipCount & 0xFFFF);
  keepBuffers_->setChecked(p.keepBuffers != 0);
  setBufferControlsEnabled(p.keepBuffers == 0);
  name_->setEnabled(!inUse_);
  useDialup_ = p.useDialup;
  useDialupBox_->setChecked(p.useDialup != 0);
  if (inUse_) {
    // Locked: the list shows the entry the profile keeps, listed or not.
    const auto exact = std::find(phoneBook_.begin(), phoneBook_.end(), p.dialupEntry);
    if (exact != phoneBook_.end()) {
      entry_->setCurrentIndex(static_cast<int>(exact - phoneBook_.begin()));
    } else if (!p.dialupEntry.empty()) {
      entry_->addItem(qs(p.dialupEntry));
      entry_->setCurrentIndex(entry_->count() - 1);
    } else {
      entry_->setCurrentIndex(-1);
    }
  } else {
    const int found = findListEntry(phoneBook_, p.dialupEntry);
    entry_->setCurrentIndex(found >= 0 ? found : (phoneBook_.empty() ? -1 : 0));
  }
  dialupUser_->setText(qs(p.dialupUser));
  dialupPassword_->setText(qs(p.dialupPassword));
  port_->setText(QString::number(p.port));
  passive_->setChecked(p.passiveMode != 0);
  keyFile_->setText(qs(p.keyFile));
}

void FtpProfileDialog::fillNew() {
  keepBuffers_->setChecked(false);
  setBufferControlsEnabled(true);
  clipCount_->setValue(kNewClipCount);
  entry_->setCurrentIndex(phoneBook_.empty() ? -1 : 0);
  useDialup_ = 0;
  useDialupBox_->setChecked(false);
  port_->setText(QString::number(kNewPort));
  // A new profile starts in active mode; passive mode is chosen when the
  // profile is changed.
  passive_->setChecked(false);
  passive_->setEnabled(false);
}

void FtpProfileDialog::applyDialupRule() {
  if (inUse_) {
    useDialupBox_->setEnabled(false);
    setDialupControlsEnabled(false);
    return;
  }
  if (useDialupBox_->isChecked()) {
    if (!phoneBook_.empty()) {
      useDialup_ = 1;
      setDialupControlsEnabled(true);
      return;
    }
    // A machine that cannot dial at all says why rather than asking for
    // entries that could not be used.
    const std::optional<std::string> unavailable = dialup_.unavailableReason();
    prompter_.ask(unavailable ? *unavailable : std::string(text(Text::DialupNoEntries)),
                  text(Text::DialupNoEntriesCaption), PromptButtons::Ok, PromptIcon::Warning);
    useDialupBox_->setChecked(false);
  }
  useDialup_ = 0;
  setDialupControlsEnabled(false);
}

void FtpProfileDialog::setDialupControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{entryLabel_, entry_, dialupUserLabel_,
                                                    dialupUser_, dialupPasswordLabel_,
                                                    dialupPassword_}) {
    w->setEnabled(enabled);
  }
}

void FtpProfileDialog::keepBuffersClicked(bool checked) {
  if (!checked) {
    setBufferControlsEnabled(true);
    return;
  }
  if (prompter_.ask(text(Text::KeepBuffersQuestion), text(Text::WarningCaption),
                    PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes) {
    setBufferControlsEnabled(false);
  } else {
    keepBuffers_->setChecked(false);
  }
}

void FtpProfileDialog::setBufferControlsEnabled(bool enabled) {
  clipCountLabel_->setEnabled(enabled);
  clipCount_->setEnabled(enabled);
}

void FtpProfileDialog::updateTlsHint() {
  const bool sftp = selectsSftp(address_->text());
  tlsHint_->setText(qtext(sftp ? Text::ProfileSshHint : Text::ProfileTlsHint));
  tlsHint_->setVisible(sftp || selectsTls(address_->text()));
  passive_->setVisible(!sftp);
  keyFileLabel_->setVisible(sftp);
  keyFile_->setVisible(sftp);
}

void FtpProfileDialog::accept() {
  ProfileForm form;
  form.name = str(name_->text());
  form.address = str(address_->text());
  form.userId = str(userId_->text());
  form.password = str(password_->text());
  form.port = str(port_->text());
  form.uploadDirectory = str(directory_->text());
  form.bufferClipCount = clipCount_->value();
  form.keepBuffers = keepBuffers_->isChecked();
  form.useDialup = useDialup_ != 0;
  form.dialupEntry = entry_->currentIndex() >= 0 ? str(entry_->currentText()) : std::string();
  form.passiveMode = passive_->isChecked();
  form.keyFile = str(keyFile_->text());
  if (inUse_ && prefill_) {
    // The dial-up choice is locked: the profile keeps its own, even when
    // this machine's phone book no longer lists it.
    form.dialupEntry = prefill_->dialupEntry;
  }
  std::optional<ProfileInfo> confirmed = confirmProfileForm(form, prompter_);
  if (!confirmed) return;
  result_ = *confirmed;
  QDialog::accept();
}

}  // namespace karone
