// The FTP profile dialog's OK: the checks in their order with their
// messages and captions, the empty-directory question, and the record
// stored.
#include "ftp/ProfileValidation.h"

#include <gtest/gtest.h>

#include <functional>

#include "resources/Texts.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

ProfileForm complete() {
  ProfileForm form;
  form.name = "site";
  form.address = "ftp.example.test";
  form.userId = "user";
  form.password = "secret";
  form.port = "21";
  form.uploadDirectory = "/live";
  return form;
}

struct Case {
  const char* what;
  std::function<void(ProfileForm&)> change;
  std::vector<PromptAnswer> answers;
  // (text, caption) of every box shown, in order.
  std::vector<std::pair<std::string, Text>> shown;
  bool stored;
};

TEST(ProfileValidation, ChecksRunInOrderWithTheirMessagesAndCaptions) {
  const std::string lineBreak = formatText(Text::ProfileLineBreak, "パスワード");
  const Case cases[] = {
      {"blank site name", [](ProfileForm& f) { f.name = "   "; }, {},
       {{text(Text::ProfileNameMissing), Text::ProfileIncompleteCaption}}, false},
      {"site name first, whatever else is wrong",
       [](ProfileForm& f) { f.name = ""; f.port = "0"; f.uploadDirectory = ""; }, {},
       {{text(Text::ProfileNameMissing), Text::ProfileIncompleteCaption}}, false},
      {"address", [](ProfileForm& f) { f.address = "\t"; }, {},
       {{text(Text::ProfileAddressMissing), Text::ProfileIncompleteCaption}}, false},
      {"user", [](ProfileForm& f) { f.userId = ""; }, {},
       {{text(Text::ProfileUserMissing), Text::ProfileIncompleteCaption}}, false},
      {"password", [](ProfileForm& f) { f.password = "  "; }, {},
       {{text(Text::ProfilePasswordMissing), Text::ProfileIncompleteCaption}}, false},
      {"empty port is missing, not invalid", [](ProfileForm& f) { f.port = ""; }, {},
       {{text(Text::ProfilePortMissing), Text::ProfileIncompleteCaption}}, false},
      {"line break inside a password", [](ProfileForm& f) { f.password = "se\r\ncret"; }, {},
       {{lineBreak, Text::ProfileModifyTitle}}, false},
      {"line break in the directory",
       [](ProfileForm& f) { f.uploadDirectory = "/a\nDELE x"; }, {},
       {{formatText(Text::ProfileLineBreak, "FTPアップロードダイレクトリ"), Text::ProfileModifyTitle}},
       false},
      {"dial-up without an entry", [](ProfileForm& f) { f.useDialup = true; }, {},
       {{text(Text::ProfileDialupMissing), Text::ProfileIncompleteCaption}}, false},
      {"empty directory, Yes stays", [](ProfileForm& f) { f.uploadDirectory = ""; },
       {PromptAnswer::Yes},
       {{text(Text::ProfileEmptyDirectoryQuestion), Text::ProfileModifyTitle}}, false},
      {"empty directory, No stores", [](ProfileForm& f) { f.uploadDirectory = ""; },
       {PromptAnswer::No},
       {{text(Text::ProfileEmptyDirectoryQuestion), Text::ProfileModifyTitle}}, true},
      {"the directory question comes before the port check",
       [](ProfileForm& f) { f.uploadDirectory = ""; f.port = "0"; }, {PromptAnswer::No},
       {{text(Text::ProfileEmptyDirectoryQuestion), Text::ProfileModifyTitle},
        {text(Text::ProfilePortInvalid), Text::ProfileModifyTitle}},
       false},
      {"port 0", [](ProfileForm& f) { f.port = "0"; }, {},
       {{text(Text::ProfilePortInvalid), Text::ProfileModifyTitle}}, false},
      {"port 70000", [](ProfileForm& f) { f.port = "70000"; }, {},
       {{text(Text::ProfilePortInvalid), Text::ProfileModifyTitle}}, false},
      {"a port too long for any integer",
       [](ProfileForm& f) { f.port = "99999999999999999999"; }, {},
       {{text(Text::ProfilePortInvalid), Text::ProfileModifyTitle}}, false},
      {"port 65535", [](ProfileForm& f) { f.port = "65535"; }, {}, {}, true},
      {"SFTP logs in with keys when the password is empty",
       [](ProfileForm& f) { f.address = " SFTP://host"; f.password = ""; }, {}, {}, true},
      {"line break in an SFTP key file",
       [](ProfileForm& f) { f.address = "sftp://host"; f.keyFile = "/k\nx"; }, {},
       {{formatText(Text::ProfileLineBreak, "鍵ファイル"), Text::ProfileModifyTitle}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProfileForm form = complete();
    c.change(form);
    RecordingPrompter prompter;
    for (PromptAnswer a : c.answers) prompter.queueAnswer(a);
    const auto stored = confirmProfileForm(form, prompter);
    EXPECT_EQ(stored.has_value(), c.stored);
    const auto prompts = prompter.prompts();
    ASSERT_EQ(prompts.size(), c.shown.size());
    for (std::size_t i = 0; i < prompts.size(); ++i) {
      EXPECT_EQ(prompts[i].text, c.shown[i].first);
      EXPECT_EQ(prompts[i].caption, text(c.shown[i].second));
      EXPECT_EQ(prompts[i].icon, PromptIcon::Warning);
      EXPECT_EQ(prompts[i].buttons, prompts[i].text == text(Text::ProfileEmptyDirectoryQuestion)
                                        ? PromptButtons::YesNo
                                        : PromptButtons::Ok);
    }
  }
}

TEST(ProfileValidation, TheStoredRecordHoldsTrimmedTextsAndNoDialupCredentials) {
  ProfileForm form;
  form.name = "  カメラ１ ";
  form.address = " ftps://host.test ";
  form.userId = "\tuser ";
  form.password = " p w ";
  form.port = " 2121 ";
  form.uploadDirectory = " /live ";
  form.bufferClipCount = 37;
  form.keepBuffers = true;
  form.useDialup = true;
  form.dialupEntry = "mobile";
  form.passiveMode = true;
  RecordingPrompter prompter;
  const auto stored = confirmProfileForm(form, prompter);
  ASSERT_TRUE(stored);
  EXPECT_TRUE(prompter.prompts().empty());
  ProfileInfo expected;
  expected.name = "カメラ１";
  expected.address = "ftps://host.test";
  expected.userId = "user";
  expected.password = "p w";
  expected.uploadDirectory = " /live ";  // as typed
  expected.port = 2121;
  expected.bufferClipCount = 37;
  expected.keepBuffers = 1;
  expected.dialupEntry = "mobile";
  expected.dialupUser = "";
  expected.dialupPassword = "";
  expected.useDialup = 1;
  expected.passiveMode = 1;
  EXPECT_EQ(*stored, expected);
}

TEST(ProfileValidation, PortTextsReadTheirLeadingDigits) {
  const std::pair<const char*, int> cases[] = {
      {"21", 21}, {" 8021 ", 8021}, {"", 0}, {"0", 0}, {"65535", 65535}, {"65536", 65536},
      {"70000", 65536}, {"00021", 21}, {"80x", 80}, {"x80", 0}, {"123456789012", 65536},
  };
  for (const auto& [typed, port] : cases) EXPECT_EQ(portFromText(typed), port) << typed;
}

}  // namespace
}  // namespace karone
