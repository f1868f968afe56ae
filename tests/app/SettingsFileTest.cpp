#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "platform/SettingsStorage.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

using testing::ScopedProgramDirs;

TEST(SettingsFile, SettingsStoreFirstRunWritesEveryValue) {
  ScopedProgramDirs dirs;
  FileSettingsStorage storage;
  RecordingPrompter prompter;
  SettingsStore store(storage, prompter);
  store.EnsureDefaults();
  store.Load();
  EXPECT_EQ(store.Get(), AppSettings());
  AppSettings changed;
  changed.iCmprQuality = 70;
  changed.strSRFTPProfile = "本社";
  changed.iLastSelSiteInfoIndex = -1;
  store.Set(changed);
  ASSERT_TRUE(store.Save());

  FileSettingsStorage storage2;
  SettingsStore store2(storage2, prompter);
  store2.EnsureDefaults();
  store2.Load();
  EXPECT_EQ(store2.Get(), changed);
  std::string file = testing::readFile(storage.path());
  EXPECT_NE(file.find("iLastSelSiteInfoIndex=4294967295\n"), std::string::npos);
  EXPECT_NE(file.find("strSRFTPProfile=本社\n"), std::string::npos);
  EXPECT_TRUE(prompter.prompts().empty());
}

TEST(SettingsFile, UncreatableKeyIsReported) {
  testing::TempDir dir;
  testing::writeFile(dir.file("blocker"), "not a folder");
  FileSettingsStorage storage(dir.file("blocker") + "/Encoder.conf");
  RecordingPrompter prompter;
  SettingsStore store(storage, prompter);
  store.EnsureDefaults();
  EXPECT_EQ(prompter.prompts().size(), 1u);
  store.Load();
  EXPECT_EQ(store.Get(), AppSettings());
  EXPECT_FALSE(store.Save());
}

}  // namespace
}  // namespace karone
