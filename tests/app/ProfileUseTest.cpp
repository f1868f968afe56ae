#include "app/ProfileUse.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

TEST(ProfileUse, DeletionIsRefusedWhileAScheduleOrTheAutomaticStartUsesTheProfile) {
  DataStore store;  // in memory: never loaded, never saved
  ScheduleInfo night;
  night.name = "night";
  night.ftpProfileName = "sched";
  store.addSchedule(night);
  CaptureSettings settings;
  settings.mode = 1;
  settings.autoReconnect = true;
  settings.autoReconnectProfile = "auto";

  struct Row {
    std::string profile;
    int mode;
    bool autoStart;
    std::optional<Text> refusal;
  };
  const Row rows[] = {
      {"sched", 1, true, Text::FtpProfileUsedBySchedule},
      {"auto", 1, true, Text::FtpProfileIsAutoStart},
      {"auto", 0, true, std::nullopt},   // the automatic start is for still mode only
      {"auto", 1, false, std::nullopt},  // and only while it is on
      {"free", 1, true, std::nullopt},
  };
  for (const Row& row : rows) {
    settings.mode = row.mode;
    settings.autoReconnect = row.autoStart;
    EXPECT_EQ(profileDeletionRefusal(store, settings, row.profile), row.refusal)
        << row.profile << " " << row.mode << " " << row.autoStart;
  }
  settings.autoReconnectProfile = "sched";
  EXPECT_EQ(profileDeletionRefusal(store, settings, "sched"), Text::FtpProfileUsedBySchedule)
      << "the schedule's message first";
}

}  // namespace
}  // namespace karone
