#include <gtest/gtest.h>

#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "tests/doubles/RecordingUploaderHost.h"
#include "tests/doubles/FakeFtpClient.h"
#include "resources/Texts.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"

namespace karone {
namespace {

ProfileInfo named(const std::string& name) {
  ProfileInfo p;
  p.name = name;
  p.address = "127.0.0.1";
  return p;
}

struct Rig {
  testing::TempDir dir;
  FakeFtpClient fake;
  RecordingUploaderHost host;
  FakeClock clock;
  FakeSleeper sleeper;
  EventLog log{clock, dir.path()};
  DataStore store{dir.file("EncData.zrd")};
};

TEST(FtpUploaderProfiles, DeletionIsRefusedWhileSomethingUsesTheProfile) {
  Rig rig;
  {
    DataStore seed(rig.dir.file("EncData.zrd"));
    for (const char* n : {"b", "a", "sched", "auto"}) seed.addProfile(named(n));
    ScheduleInfo s;
    s.name = "morning";
    s.ftpProfileName = "sched";
    seed.addSchedule(s);
    ASSERT_TRUE(seed.save().ok);
  }
  FtpUploader uploader({rig.fake, rig.host, rig.log, rig.sleeper, rig.dir.path(), &rig.store});
  ASSERT_TRUE(uploader.LoadProfiles());
  EXPECT_EQ(uploader.profileNames(), (std::vector<std::string>{"b", "a", "sched", "auto"}));
  rig.host.setAutoStartProfile("auto");

  struct Row {
    std::string name;
    bool deleted;
    std::string message;
  };
  const Row rows[] = {
      {"sched", false, text(Text::FtpProfileUsedBySchedule)},
      {"auto", false, text(Text::FtpProfileIsAutoStart)},
      {"a", true, ""},
  };
  for (const auto& row : rows) {
    auto before = rig.host.prompts().size();
    EXPECT_EQ(uploader.DeleteProfile(named(row.name)), row.deleted) << row.name;
    EXPECT_EQ(uploader.ProfileExists(row.name), !row.deleted) << row.name;
    if (row.message.empty()) {
      EXPECT_EQ(rig.host.prompts().size(), before);
    } else {
      ASSERT_EQ(rig.host.prompts().size(), before + 1);
      EXPECT_EQ(rig.host.prompts().back().text, row.message);
      EXPECT_EQ(rig.host.prompts().back().caption, text(Text::FtpProfileDeleteCaption));
    }
  }
}

TEST(FtpUploaderProfiles, AStoreNeverReadIsNotWrittenBack) {
  Rig rig;
  {
    DataStore seed(rig.dir.file("EncData.zrd"));
    seed.addProfile(named("keep me"));
    ASSERT_TRUE(seed.save().ok);
  }
  {
    FtpUploader uploader({rig.fake, rig.host, rig.log, rig.sleeper, rig.dir.path(), &rig.store});
  }
  DataStore check(rig.dir.file("EncData.zrd"));
  ASSERT_TRUE(check.load().ok());
  EXPECT_TRUE(check.profileExists("keep me"));
}

TEST(FtpUploaderProfiles, DirectoryViewColumns) {
  auto columns = FtpUploader::directoryViewColumns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].heading, text(Text::FtpColumnName));
  EXPECT_EQ(columns[0].width, 116);
  EXPECT_EQ(columns[1].width, 60);
  EXPECT_EQ(columns[2].width, 70);
}

}  // namespace
}  // namespace karone
