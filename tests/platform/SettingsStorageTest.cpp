#include "platform/SettingsStorage.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using testing::ScopedProgramDirs;

TEST(FileSettingsStorage, LivesUnderXdgConfigHome) {
  ScopedProgramDirs dirs;
  FileSettingsStorage storage;
  EXPECT_EQ(storage.path(), dirs.root().file("config") + "/Brenko/Tamblor/Encoder.conf");
}

TEST(FileSettingsStorage, OpenFailsUntilCreatedAndValuesSurviveReopening) {
  ScopedProgramDirs dirs;
  FileSettingsStorage storage;
  EXPECT_FALSE(storage.openKey());
  EXPECT_FALSE(storage.readValue("a"));
  ASSERT_TRUE(storage.createKey());
  ASSERT_TRUE(storage.openKey());
  EXPECT_FALSE(storage.readValue("a"));  // missing is a failure, not ""
  ASSERT_TRUE(storage.writeValue("a", "1"));
  ASSERT_TRUE(storage.writeValue("empty", ""));
  ASSERT_TRUE(storage.writeValue("tricky", "x=y\\n\nline\r二"));
  EXPECT_FALSE(storage.writeValue("bad=name", "v"));
  ASSERT_TRUE(storage.closeKey());

  struct stat st {};
  ASSERT_EQ(::stat(storage.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  FileSettingsStorage again;
  ASSERT_TRUE(again.openKey());
  EXPECT_EQ(again.readValue("a"), "1");
  EXPECT_EQ(again.readValue("empty"), "");
  EXPECT_EQ(again.readValue("tricky"), "x=y\\n\nline\r二");
  again.closeKey();
  EXPECT_EQ(testing::readFile(storage.path()),
            "a=1\nempty=\ntricky=x=y\\\\n\\nline\\r二\n");
}

TEST(FileSettingsStorage, TwoWritersKeepEachOthersValues) {
  // The program stores its running number while a tool adds a camera.
  ScopedProgramDirs dirs;
  FileSettingsStorage program, tool;
  ASSERT_TRUE(program.createKey());
  ASSERT_TRUE(program.openKey());
  ASSERT_TRUE(tool.openKey());
  ASSERT_TRUE(tool.writeValue("camera", "yard"));
  ASSERT_TRUE(program.writeValue("number", "7"));
  ASSERT_TRUE(tool.closeKey());
  ASSERT_TRUE(program.closeKey());
  EXPECT_EQ(testing::readFile(program.path()), "camera=yard\nnumber=7\n");
}

TEST(FileSettingsStorage, ParseIgnoresJunkLines) {
  auto values = FileSettingsStorage::parse("# comment\n\nnoequals\n=x\nk=v=w\nlast=1");
  EXPECT_EQ(values, (std::map<std::string, std::string>{{"k", "v=w"}, {"last", "1"}}));
}

TEST(Paths, FollowXdgVariablesAndFallBackToHome) {
  testing::TempDir dir;
  testing::ScopedEnv home("HOME", dir.path());
  testing::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  testing::ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
  testing::ScopedEnv state("XDG_STATE_HOME", dir.file("st"));
  testing::ScopedEnv temp("TEMP", std::nullopt);
  testing::ScopedEnv tmpdir("TMPDIR", std::nullopt);
  EXPECT_EQ(paths::configDir(), dir.path() + "/.config/Brenko/Tamblor/");
  EXPECT_EQ(paths::dataDir(), dir.path() + "/.local/share/Brenko/Tamblor/");
  EXPECT_EQ(paths::stateDir(), dir.path() + "/st/Brenko/Tamblor/");
  EXPECT_TRUE(testing::fileExists(dir.path() + "/.local/share/Brenko/Tamblor"));
  EXPECT_EQ(paths::bufferDir(), paths::dataDir());
  {
    testing::ScopedEnv tmp2("TMPDIR", "/var/tmp");
    EXPECT_EQ(paths::bufferDir(), "/var/tmp/");
    testing::ScopedEnv temp2("TEMP", "/somewhere/");
    EXPECT_EQ(paths::bufferDir(), "/somewhere/");
  }
}

}  // namespace
}  // namespace karone
