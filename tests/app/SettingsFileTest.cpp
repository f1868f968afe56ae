#include <gtest/gtest.h>

#include <filesystem>

#include "app/SettingsStore.h"
#include "platform/NetworkCameras.h"
#include "platform/SettingsStorage.h"
#include "resources/Texts.h"
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

// An empty or garbled settings file is kept aside, with one note, before the
// defaults replace it; a file with values of ours is no damage.
TEST(SettingsFile, ADamagedFileIsKeptAsideBeforeTheDefaultsReplaceIt) {
  ScopedProgramDirs dirs;
  RecordingPrompter prompter;
  const std::string garbled("\x00\x7f\xfe=?\nPK\x03\x04", 10);
  for (const std::string& bytes : {std::string(), garbled}) {
    FileSettingsStorage storage;
    ASSERT_TRUE(storage.createKey());
    testing::writeFile(storage.path(), bytes);
    SettingsStore store(storage, prompter);
    store.EnsureDefaults();
    const std::string note = store.damageNote();
    const std::size_t open = note.find('"');
    ASSERT_NE(open, std::string::npos) << note;
    const std::string kept = note.substr(open + 1, note.find('"', open + 1) - open - 1);
    EXPECT_EQ(note, formatText(Text::SettingsFileDamaged, kept.c_str()));
    EXPECT_EQ(kept.rfind(storage.path() + ".damaged-", 0), 0u) << kept;
    EXPECT_EQ(testing::readFile(kept), bytes);
    std::filesystem::remove(kept);
    EXPECT_NE(testing::readFile(storage.path()).find("iBufferSize="), std::string::npos);
    SettingsStore again(storage, prompter);
    again.EnsureDefaults();
    EXPECT_EQ(again.damageNote(), "") << "the defaults written are no damage";
  }
  // Only the cameras `karone-capture add` wrote before the first start.
  FileSettingsStorage storage;
  ASSERT_TRUE(storage.createKey());
  testing::writeFile(storage.path(), std::string(kNetworkCamerasKey) + "=Gate\n");
  SettingsStore cameras(storage, prompter);
  cameras.EnsureDefaults();
  EXPECT_EQ(cameras.damageNote(), "");
  EXPECT_TRUE(prompter.prompts().empty());
}

}  // namespace
}  // namespace karone
