// The FTP profile dialog on the offscreen platform: its layout, the new and
// prefilled openings, the in-use mode, the phone book, the questions, and
// what OK stores. Message boxes are answered through a recording prompter.
#include "ftp/ui/FtpProfileDialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "platform/NullDialupService.h"
#include "resources/Texts.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/doubles/SimulatedDialupService.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/PlacedControls.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

const char* const kAddTitle = "FTPプロファイル追加";
const char* const kModifyTitle = "FTPプロファイル修正";

ProfileInfo storedProfile() {
  ProfileInfo p;
  p.name = "camera";
  p.address = "ftp.example.test";
  p.userId = "user";
  p.password = "secret";
  p.uploadDirectory = "/live";
  p.port = 2121;
  p.bufferClipCount = 0x10000 + 25;  // only the low 16 bits count
  p.keepBuffers = 0;
  p.dialupEntry = "mobile";
  p.dialupUser = "line-user";
  p.dialupPassword = "line-password";
  p.useDialup = 1;
  p.passiveMode = 1;
  return p;
}

class FtpProfileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialup_.addEntry("mobile-backup");
    dialup_.addEntry("mobile");
  }

  std::unique_ptr<FtpProfileDialog> open(const std::optional<ProfileInfo>& prefill,
                                         bool inUse = false) {
    auto dialog = std::make_unique<FtpProfileDialog>(prefill ? kModifyTitle : kAddTitle, prefill,
                                                     inUse, dialup_, prompter_);
    dialog->show();
    return dialog;
  }
  template <typename T>
  static T* find(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  static QLineEdit* edit(QWidget& w, const char* name) { return find<QLineEdit>(w, name); }
  static QCheckBox* check(QWidget& w, const char* name) { return find<QCheckBox>(w, name); }
  static void ok(QWidget& w) { find<QPushButton>(w, "okButton")->click(); }
  static void fillRequired(QWidget& w) {
    edit(w, "nameEdit")->setText("site");
    edit(w, "addressEdit")->setText("ftp.example.test");
    edit(w, "userEdit")->setText("user");
    edit(w, "passwordEdit")->setText("secret");
    edit(w, "directoryEdit")->setText("/live");
  }
  std::vector<std::string> promptTexts() const {
    std::vector<std::string> texts;
    for (const auto& p : prompter_.prompts()) texts.push_back(p.text);
    return texts;
  }

  SimulatedDialupService dialup_;
  RecordingPrompter prompter_;
};

TEST_F(FtpProfileDialogTest, EveryControlInItsPlaceWithItsText) {
  auto dialog = open(std::nullopt);
  EXPECT_EQ(dialog->windowTitle().toStdString(), kAddTitle);
  testing::expectPlaced(*dialog, {
      {"ftpGroup", 7, 7, 181, 184, "FTP設定"},
      {"nameLabel", 13, 23, 58, 10, "登録名:"},
      {"nameEdit", 103, 22, 78, 12, nullptr},
      {"addressLabel", 13, 37, 58, 9, "FTPアドレス:"},
      {"addressEdit", 103, 36, 78, 12, nullptr},
      {"userLabel", 13, 51, 58, 9, "ユーザーID:"},
      {"userEdit", 103, 50, 78, 12, nullptr},
      {"passwordLabel", 12, 65, 58, 9, "パスワード:"},
      {"passwordEdit", 103, 64, 78, 12, nullptr},
      {"directoryLabel", 13, 79, 89, 10, "FTPアップロードダイレクトリ:"},
      {"directoryEdit", 103, 78, 78, 12, nullptr},
      {"detailsGroup", 13, 92, 168, 47, "FTP詳細設定"},
      {"portLabel", 21, 107, 64, 8, "FTPポートナンバー:"},
      {"portEdit", 148, 104, 27, 12, nullptr},
      {"passiveCheck", 21, 121, 96, 9, "パッシブモード"},
      {"bufferGroup", 13, 145, 168, 43, "FTP ﾊﾞｯﾌｧ設定"},
      {"clipCountLabel", 20, 155, 120, 9, "保存するバッファークリップ数:"},
      {"clipCountSpin", 148, 154, 27, 12, nullptr},
      {"keepBuffersCheck", 21, 170, 96, 9, "バッファーは削除しない"},
      {"dialupGroup", 7, 195, 181, 48, "ダイアルアップ接続"},
      {"useDialupCheck", 13, 209, 145, 10, "ダイアルアップ設定を使用して接続する"},
      {"dialupEntryLabel", 13, 226, 77, 10, "ダイアルアップの設定名:"},
      {"dialupEntryList", 101, 223, 80, 72, nullptr},
      {"dialupUserLabel", 13, 237, 39, 10, "ﾕｰｻﾞｰID:"},
      {"dialupUserEdit", 88, 235, 93, 12, nullptr},
      {"dialupPasswordLabel", 13, 254, 36, 10, "ﾊﾟｽﾜｰﾄﾞ:"},
      {"dialupPasswordEdit", 88, 252, 93, 12, nullptr},
      {"okButton", 41, 250, 50, 14, "OK"},
      {"cancelButton", 104, 250, 50, 14, "ｷｬﾝｾﾙ"},
  });
  EXPECT_EQ(edit(*dialog, "passwordEdit")->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(edit(*dialog, "dialupUserEdit")->isVisible());
  EXPECT_FALSE(edit(*dialog, "dialupPasswordEdit")->isVisible());
  EXPECT_TRUE(find<QPushButton>(*dialog, "okButton")->isDefault());
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "FtpProfileDialog").empty());
}

TEST_F(FtpProfileDialogTest, ANewProfileStartsWithItsDefaults) {
  auto dialog = open(std::nullopt);
  EXPECT_EQ(edit(*dialog, "portEdit")->text(), "21");
  QSpinBox* clips = find<QSpinBox>(*dialog, "clipCountSpin");
  EXPECT_EQ(clips->value(), 10);
  EXPECT_EQ(clips->minimum(), 2);
  EXPECT_EQ(clips->maximum(), 100);
  EXPECT_TRUE(clips->isEnabled());
  EXPECT_FALSE(check(*dialog, "keepBuffersCheck")->isChecked());
  EXPECT_FALSE(check(*dialog, "passiveCheck")->isChecked());
  EXPECT_FALSE(check(*dialog, "passiveCheck")->isEnabled()) << "switched on when modifying";
  EXPECT_FALSE(check(*dialog, "useDialupCheck")->isChecked());
  EXPECT_FALSE(find<QComboBox>(*dialog, "dialupEntryList")->isEnabled());
  EXPECT_EQ(find<QComboBox>(*dialog, "dialupEntryList")->currentText(), "mobile-backup");
  EXPECT_TRUE(edit(*dialog, "nameEdit")->isEnabled());
  EXPECT_TRUE(prompter_.prompts().empty());

  // The spin steps by its arrows and the arrow keys only; its edit cannot
  // be typed into.
  clips->setFocus();
  QTest::keyClick(clips, Qt::Key_Up);
  EXPECT_EQ(clips->value(), 11);
  QTest::keyClicks(clips, "5");
  EXPECT_EQ(clips->value(), 11);
  clips->setValue(200);
  EXPECT_EQ(clips->value(), 100);
  // The port takes digits only.
  QLineEdit* port = edit(*dialog, "portEdit");
  port->clear();
  QTest::keyClicks(port, "8a0-1");
  EXPECT_EQ(port->text(), "801");
}

TEST_F(FtpProfileDialogTest, OkStoresTheTrimmedFieldsAndNoDialupCredentials) {
  auto dialog = open(storedProfile());
  EXPECT_EQ(edit(*dialog, "dialupUserEdit")->text(), "line-user") << "kept on screen";
  EXPECT_EQ(edit(*dialog, "dialupPasswordEdit")->text(), "line-password");
  EXPECT_EQ(find<QSpinBox>(*dialog, "clipCountSpin")->value(), 25);
  EXPECT_EQ(edit(*dialog, "portEdit")->text(), "2121");
  EXPECT_TRUE(check(*dialog, "passiveCheck")->isEnabled());
  EXPECT_EQ(find<QComboBox>(*dialog, "dialupEntryList")->currentText(), "mobile")
      << "the exact entry, not the first that begins with its name";
  EXPECT_TRUE(find<QComboBox>(*dialog, "dialupEntryList")->isEnabled());

  edit(*dialog, "passwordEdit")->setText("  new secret ");
  edit(*dialog, "nameEdit")->setText(" camera2 ");
  ok(*dialog);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  ProfileInfo expected = storedProfile();
  expected.name = "camera2";
  expected.password = "new secret";
  expected.bufferClipCount = 25;
  expected.dialupUser = "";
  expected.dialupPassword = "";
  EXPECT_EQ(dialog->profile(), expected);
  EXPECT_TRUE(prompter_.prompts().empty());
}

TEST_F(FtpProfileDialogTest, MissingFieldsAndBadPortsKeepTheDialogOpen) {
  auto dialog = open(std::nullopt);
  fillRequired(*dialog);
  edit(*dialog, "nameEdit")->setText("   ");
  ok(*dialog);
  edit(*dialog, "nameEdit")->setText("site");
  edit(*dialog, "portEdit")->setText("");
  ok(*dialog);
  edit(*dialog, "portEdit")->setText("0");
  ok(*dialog);
  edit(*dialog, "portEdit")->setText("70000");
  ok(*dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(promptTexts(), (std::vector<std::string>{
                               "サイト名を入力して下さい", "FTPポートナンバーを入力してください",
                               "無効なFTPポートナンバーが入力されました。",
                               "無効なFTPポートナンバーが入力されました。"}));
  EXPECT_EQ(edit(*dialog, "portEdit")->text(), "70000") << "input stays in place";
}

TEST_F(FtpProfileDialogTest, AnEmptyDirectoryIsAskedAbout) {
  auto dialog = open(std::nullopt);
  fillRequired(*dialog);
  edit(*dialog, "directoryEdit")->clear();
  prompter_.queueAnswer(PromptAnswer::Yes);
  ok(*dialog);
  EXPECT_TRUE(dialog->isVisible()) << "Yes: the operator enters a directory";
  prompter_.queueAnswer(PromptAnswer::No);
  ok(*dialog);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->profile().uploadDirectory, "");
  const auto prompts = prompter_.prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].caption, kModifyTitle);
  EXPECT_EQ(prompts[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(prompts[0].icon, PromptIcon::Warning);
}

TEST_F(FtpProfileDialogTest, KeepingBuffersIsAskedAndNoLeavesTheCountEditable) {
  auto dialog = open(std::nullopt);
  QCheckBox* keep = check(*dialog, "keepBuffersCheck");
  QSpinBox* clips = find<QSpinBox>(*dialog, "clipCountSpin");
  prompter_.queueAnswer(PromptAnswer::No);
  keep->click();
  EXPECT_FALSE(keep->isChecked());
  EXPECT_TRUE(clips->isEnabled());
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].text, "FTPの空き容量が無くなる場合があります。\n\nそのまま続けますか?");
  EXPECT_EQ(prompter_.prompts()[0].caption, "警告");

  prompter_.queueAnswer(PromptAnswer::Yes);
  keep->click();
  EXPECT_TRUE(keep->isChecked());
  EXPECT_FALSE(clips->isEnabled());
  EXPECT_FALSE(find<QLabel>(*dialog, "clipCountLabel")->isEnabled());
  keep->click();  // unchecking asks nothing
  EXPECT_EQ(prompter_.prompts().size(), 2u);
  EXPECT_TRUE(clips->isEnabled());
}

TEST(FtpProfileDialogPhoneBook, WithoutEntriesTheDialupBoxIsRefused) {
  SimulatedDialupService empty;
  RecordingPrompter prompter;
  FtpProfileDialog dialog(kAddTitle, std::nullopt, false, empty, prompter);
  dialog.show();
  QCheckBox* use = dialog.findChild<QCheckBox*>("useDialupCheck");
  use->click();
  EXPECT_FALSE(use->isChecked());
  EXPECT_FALSE(dialog.findChild<QComboBox*>("dialupEntryList")->isEnabled());
  ASSERT_EQ(prompter.prompts().size(), 1u);
  EXPECT_EQ(prompter.prompts()[0].text,
            "ダイアルアップ接続の設定が有りません。\n\nコントロールパネルでダイアルアップ接続を設定して下さい");
  EXPECT_EQ(prompter.prompts()[0].caption, "ダイアルアップ接続");
}

TEST(FtpProfileDialogPhoneBook, AProfileWithDialupOnAMachineWithoutEntriesCanStillBeStored) {
  SimulatedDialupService empty;
  RecordingPrompter prompter;
  FtpProfileDialog dialog(kModifyTitle, storedProfile(), false, empty, prompter);
  dialog.show();
  ASSERT_EQ(prompter.prompts().size(), 1u) << "told at opening";
  EXPECT_FALSE(dialog.findChild<QCheckBox*>("useDialupCheck")->isChecked());
  dialog.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.profile().useDialup, 0) << "as the unchecked box shows";
}

TEST(FtpProfileDialogPhoneBook, AnUnreadablePhoneBookIsReportedOnceAtOpening) {
  SimulatedDialupService broken;
  broken.addEntry("mobile");
  broken.setEntriesError(DialupUnavailable);
  broken.setErrorText(DialupUnavailable, "ダイアルアップサービスがありません");
  RecordingPrompter prompter;
  FtpProfileDialog dialog(kAddTitle, std::nullopt, false, broken, prompter);
  dialog.show();
  EXPECT_EQ(broken.entryReads(), 1);
  ASSERT_EQ(prompter.prompts().size(), 1u);
  EXPECT_EQ(prompter.prompts()[0].text, "ダイアルアップサービスがありません");
  EXPECT_EQ(prompter.prompts()[0].caption, "RASエラー");
  EXPECT_EQ(prompter.prompts()[0].icon, PromptIcon::Warning);
  EXPECT_EQ(dialog.findChild<QComboBox*>("dialupEntryList")->count(), 0);
  dialog.findChild<QCheckBox*>("useDialupCheck")->click();
  ASSERT_EQ(prompter.prompts().size(), 2u);
  EXPECT_EQ(prompter.prompts()[1].caption, "ダイアルアップ接続");
}

TEST(FtpProfileDialogPhoneBook, AMachineThatCannotDialSaysWhyWhenDialupIsChosen) {
  NullDialupService none("システムバスに接続できないため、ダイアルアップ接続は使用できません");
  RecordingPrompter prompter;
  FtpProfileDialog dialog(kAddTitle, std::nullopt, false, none, prompter);
  dialog.show();
  EXPECT_TRUE(prompter.prompts().empty()) << "nothing to say until dial-up is chosen";
  dialog.findChild<QCheckBox*>("useDialupCheck")->click();
  ASSERT_EQ(prompter.prompts().size(), 1u);
  EXPECT_EQ(prompter.prompts()[0].text, "システムバスに接続できないため、ダイアルアップ接続は使用できません");
  EXPECT_EQ(prompter.prompts()[0].caption, "ダイアルアップ接続");
  EXPECT_FALSE(dialog.findChild<QCheckBox*>("useDialupCheck")->isChecked());
}

TEST_F(FtpProfileDialogTest, AnInUseProfileKeepsItsNameAndDialupChoice) {
  ProfileInfo inUse = storedProfile();
  inUse.dialupEntry = "gone";  // no longer in the phone book
  auto dialog = open(inUse, /*inUse=*/true);
  EXPECT_FALSE(edit(*dialog, "nameEdit")->isEnabled());
  EXPECT_FALSE(check(*dialog, "useDialupCheck")->isEnabled());
  EXPECT_TRUE(check(*dialog, "useDialupCheck")->isChecked());
  EXPECT_FALSE(find<QComboBox>(*dialog, "dialupEntryList")->isEnabled());
  EXPECT_EQ(find<QComboBox>(*dialog, "dialupEntryList")->currentText(), "gone")
      << "shows what it keeps";
  EXPECT_TRUE(edit(*dialog, "addressEdit")->isEnabled());
  EXPECT_TRUE(prompter_.prompts().empty());
  EXPECT_TRUE(testing::layoutProblems(*dialog).empty());
  EXPECT_FALSE(testing::renderToPng(*dialog, "FtpProfileDialogInUse").empty());

  edit(*dialog, "addressEdit")->setText("ftp2.example.test");
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->profile().name, "camera");
  EXPECT_EQ(dialog->profile().address, "ftp2.example.test");
  EXPECT_EQ(dialog->profile().useDialup, 1);
  EXPECT_EQ(dialog->profile().dialupEntry, "gone");
}

TEST_F(FtpProfileDialogTest, AnFtpsAddressShowsTheEncryptionHint) {
  auto dialog = open(std::nullopt);
  QLabel* hint = find<QLabel>(*dialog, "tlsHint");
  EXPECT_FALSE(hint->isVisible());
  EXPECT_FALSE(edit(*dialog, "addressEdit")->placeholderText().isEmpty());
  edit(*dialog, "addressEdit")->setText(" FTPS://secure.example.test");
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->text(), "(TLS)");
  EXPECT_FALSE(hint->toolTip().isEmpty());
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "FtpProfileDialogTls").empty());
  edit(*dialog, "addressEdit")->setText("ftp://plain.example.test");
  EXPECT_FALSE(hint->isVisible());
}

TEST_F(FtpProfileDialogTest, AnSftpAddressTakesAKeyFileInsteadOfPassiveMode) {
  auto dialog = open(std::nullopt);
  QLineEdit* address = edit(*dialog, "addressEdit");
  address->setText("sftp://cam.example.test");
  emit address->textEdited(address->text());  // as typed
  EXPECT_EQ(find<QLabel>(*dialog, "tlsHint")->text(), "(SSH)");
  EXPECT_FALSE(check(*dialog, "passiveCheck")->isVisible());
  ASSERT_TRUE(edit(*dialog, "keyFileEdit")->isVisible());
  EXPECT_EQ(edit(*dialog, "portEdit")->text(), "22");
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "FtpProfileDialogSftp").empty());

  edit(*dialog, "nameEdit")->setText("roof");
  edit(*dialog, "userEdit")->setText("cam");
  edit(*dialog, "directoryEdit")->setText("/srv/live");
  edit(*dialog, "keyFileEdit")->setText(" /home/cam/.ssh/roof_ed25519 ");
  find<QPushButton>(*dialog, "okButton")->click();
  ASSERT_EQ(dialog->result(), QDialog::Accepted) << "no password needed";
  EXPECT_EQ(dialog->profile().keyFile, "/home/cam/.ssh/roof_ed25519");
  EXPECT_EQ(dialog->profile().port, 22);
}

TEST_F(FtpProfileDialogTest, CancelStoresNothing) {
  auto dialog = open(storedProfile());
  edit(*dialog, "nameEdit")->clear();
  find<QPushButton>(*dialog, "cancelButton")->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_TRUE(prompter_.prompts().empty()) << "nothing is checked on Cancel";
}

}  // namespace
}  // namespace karone
