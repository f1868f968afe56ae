// The schedule subcommands of karone-store run as an operator runs them:
// the built executable on real files, in the users' zone (Asia/Tokyo).
// The tool reads the real clock, so expectations are stated relative to
// the time read around each run.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cctype>
#include <cstdio>

#include "platform/Clock.h"
#include "resources/Texts.h"
#include "schedule/DataFile.h"
#include "schedule/DataStore.h"
#include "schedule/ScheduleRules.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using testing::readFile;
using testing::ScopedTimeZone;
using testing::TempDir;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class ScheduleCommandsTest : public ::testing::Test {
 protected:
  ScheduleCommandsTest() : tz_("Asia/Tokyo") {
    DataStore store(path_);
    ProfileInfo plain;
    plain.name = "本社";
    store.addProfile(plain);
    ProfileInfo dial;
    dial.name = "dial";
    dial.useDialup = 1;
    store.addProfile(dial);
    EXPECT_TRUE(store.save().ok);
  }

  ToolRun run(const std::string& args) {
    const std::string command = "TZ=Asia/Tokyo XDG_DATA_HOME=" + dir_.file("xdg") +
                                " " KARONE_STORE_EXE " " + args + " >" + dir_.file("out") +
                                " 2>" + dir_.file("err");
    const int rc = std::system(command.c_str());
    ToolRun r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = readFile(dir_.file("out"));
    r.err = readFile(dir_.file("err"));
    return r;
  }

  std::vector<ScheduleInfo> schedules() {
    return DataFile::read(readFile(path_)).schedules;
  }

  // "YYYY-MM-DD" of an instant in the test's zone.
  static std::string date(Seconds t) { return formatLocalTime("%Y-%m-%d", t); }
  static std::string hhmm(Seconds t) { return formatLocalTime("%H:%M", t); }

  TempDir dir_;
  ScopedTimeZone tz_;
  const std::string path_ = dir_.file("EncData.zrd");
};

TEST_F(ScheduleCommandsTest, NextWithoutSchedules) {
  ToolRun r = run("next " + path_);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(text(Text::NoScheduleName)) + "\n-- 日, --:--:--\n");
}

TEST_F(ScheduleCommandsTest, AddedOnceEntryIsNextWithItsCountdown) {
  const Seconds day = 10 * 86400 + SystemClock::instance().now();
  ToolRun add = run("add-schedule " + path_ + " --name 夕方 --profile 本社 --start-date " +
                    date(day) + " --start 18:30 --end 19:00");
  ASSERT_EQ(add.status, 0) << add.err;
  ASSERT_EQ(schedules().size(), 1u);
  const ScheduleInfo s = schedules()[0];
  EXPECT_EQ(s.name, "夕方");
  EXPECT_EQ(s.period, PeriodOnce);
  EXPECT_EQ(s.videoSize, 1) << "the dialog's default size";
  EXPECT_EQ(s.videoSource, -1);
  EXPECT_EQ(date(s.start), date(day));
  EXPECT_EQ(hhmm(s.start), "18:30");
  EXPECT_EQ(s.end - s.start, 1800);

  const Seconds before = SystemClock::instance().now();
  ToolRun next = run("next " + path_);
  const Seconds after = SystemClock::instance().now();
  ASSERT_EQ(next.status, 0) << next.err;
  const std::string nameLine = "夕方\n";
  ASSERT_EQ(next.out.rfind(nameLine, 0), 0u) << next.out;
  long long days = -1;
  int h = -1, mi = -1, sec = -1, used = 0;
  ASSERT_EQ(std::sscanf(next.out.c_str() + nameLine.size(), "%lld 日, %2d:%2d:%2d\n%n", &days, &h,
                        &mi, &sec, &used),
            4)
      << next.out;
  EXPECT_EQ(nameLine.size() + static_cast<size_t>(used), next.out.size()) << next.out;
  const std::string clock = next.out.substr(next.out.size() - 9);  // "HH:MM:SS\n"
  for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(clock[i]))) << next.out;
  const Seconds shown = days * 86400 + h * 3600 + mi * 60 + sec;
  EXPECT_LE(shown, s.start - before);
  EXPECT_GE(shown, s.start - after);
}

TEST_F(ScheduleCommandsTest, PeriodicEntriesArePlacedOnTheirNextDay) {
  const Seconds now = SystemClock::instance().now();
  ToolRun daily = run("add-schedule " + path_ +
                      " --name daily --profile 本社 --period daily --start 03:00 --end 03:30");
  ASSERT_EQ(daily.status, 0) << daily.err;
  const int tomorrow = (toLocalTime(now).weekday + 1) % 7;
  ToolRun weekly = run("add-schedule " + path_ + " --name weekly --profile 本社 --period weekly" +
                       " --weekday " + std::to_string(tomorrow) + " --start 05:00 --end 06:00" +
                       " --mode still --update 00:25 --source 2 --size 0");
  ASSERT_EQ(weekly.status, 0) << weekly.err;

  auto list = schedules();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(hhmm(list[0].start), "03:00");
  EXPECT_GT(list[0].start, now);
  EXPECT_LE(list[0].start - now, 86400);
  EXPECT_EQ(list[0].end - list[0].start, 1800);

  EXPECT_EQ(toLocalTime(list[1].start).weekday, tomorrow);
  EXPECT_EQ(date(list[1].start), date(atLocalTimeOfDay(now, 1, 12, 0, 0)));
  EXPECT_EQ(list[1].captureMode, CaptureStill);
  EXPECT_EQ(list[1].updatePeriod, 1500);
  EXPECT_EQ(list[1].videoSource, 2);
  EXPECT_EQ(list[1].videoSize, 0);
}

TEST_F(ScheduleCommandsTest, RefusedCandidatesPrintTheFirstFailingCheckAndChangeNothing) {
  const Seconds now = SystemClock::instance().now();
  const std::string later = date(now + 20 * 86400);
  ASSERT_EQ(run("add-schedule " + path_ + " --name 朝 --profile 本社 --start-date " + later +
                " --start 09:00 --end 10:00")
                .status,
            0);
  const std::string stored = readFile(path_);
  // Two minutes ahead, at whole minutes: a lead between 61 and 120 seconds.
  const Seconds soon = (now / 60 + 2) * 60;
  const std::string onLater = " --start-date " + later;
  struct Case {
    std::string args;
    std::string message;
  } cases[] = {
      {"--name ' ' --profile 本社" + onLater + " --start 12:00 --end 13:00",
       text(Text::ScheduleNameRequired)},
      {"--name 朝 --profile 本社" + onLater + " --start 12:00 --end 13:00",
       formatText(Text::ScheduleNameExists, "朝")},
      {"--name x --profile 本社 --start-date " + date(now - 86400) + " --start 12:00 --end 13:00",
       text(Text::ScheduleStartPassed)},
      {"--name x --profile 本社" + onLater + " --start 12:00 --end 11:00",
       text(Text::ScheduleEndBeforeStart)},
      {"--name x --profile 本社" + onLater + " --start 12:00 --end 12:00",
       text(Text::ScheduleSpanTooShort)},
      {"--name x --profile 本社 --mode still --update 01:00" + onLater +
           " --start 12:00 --end 14:00",
       text(Text::ScheduleEndsOnCapture)},
      {"--name x --profile dial --start-date " + date(soon) + " --start " + hhmm(soon) +
           " --end " + hhmm(soon + 3600) + " --end-date " + date(soon + 3600),
       text(Text::ScheduleDialupLeadTooShort)},
      {"--name x --profile 本社 --period daily --start 09:30 --end 09:40",
       text(Text::ScheduleOverlaps)},
      {"--name x --profile 他社" + onLater + " --start 12:00 --end 13:00",
       formatText(Text::StoreNoSuchProfile, "他社")},
      {"--name x --profile '他\n社'" + onLater + " --start 12:00 --end 13:00",
       formatText(Text::StoreNoSuchProfile, "他\\n社")},
      {"--name 'x\ny' --profile 本社" + onLater + " --start 12:00 --end 13:00",
       formatText(Text::StoreNameLineBreak, "add-schedule", "--name")},
  };
  for (const Case& c : cases) {
    ToolRun r = run("add-schedule " + path_ + " " + c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    // The dialog's messages of two lines come as one.
    std::string oneLine = c.message;
    for (auto pos = oneLine.find('\n'); pos != std::string::npos; pos = oneLine.find('\n')) {
      oneLine.replace(pos, oneLine.find_first_not_of('\n', pos) - pos, " ");
    }
    EXPECT_EQ(r.err, oneLine + "\n") << c.args;
    EXPECT_EQ(readFile(path_), stored) << c.args;
  }
  ToolRun r = run("delete-schedule " + path_ + " 'a\nb'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, formatText(Text::StoreNoSuchSchedule, "a\\nb") + "\n");
}

TEST_F(ScheduleCommandsTest, MalformedOptionsAreUsageErrors) {
  const std::string base = "add-schedule " + path_ + " --name x --profile 本社 ";
  for (const std::string args :
       {"--start 25:00 --end 26:00", "--start 12:00", "--start 12:00 --end 13:00 --mode video",
        "--start 12:00 --end 13:00 --update 00:05", "--start 12:00 --end 13:00 --update 05:00",
        "--start 12:00 --end 13:00 --start-date 2026-02-30", "--start 12:00 --end 13:00 --size 3",
        "--start 12:00 --end 13:00 --period weekly", "--start 12:00 --end 13:00 --colour red",
        "--start 12:00 --end 13:00 --end"}) {
    ToolRun r = run(base + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
  }
  EXPECT_TRUE(schedules().empty());
}

TEST_F(ScheduleCommandsTest, DeleteScheduleAndDeleteInvalid) {
  const Seconds now = SystemClock::instance().now();
  {
    std::vector<ScheduleInfo> list(4);
    list[0].name = "past";
    list[0].start = static_cast<std::int32_t>(now - 7200);
    list[0].end = static_cast<std::int32_t>(now - 3600);
    list[1].name = "future";
    list[1].start = static_cast<std::int32_t>(now + 7200);
    list[1].end = static_cast<std::int32_t>(now + 9000);
    list[2] = list[0];
    list[2].name = "daily";
    list[2].period = PeriodDaily;
    list[3] = list[0];
    list[3].name = "weekly";
    list[3].period = PeriodWeekly;
    DataStore store(path_);
    for (const auto& s : list) store.addSchedule(s);
    ASSERT_TRUE(store.save().ok);
  }
  ToolRun r = run("delete-invalid " + path_);
  ASSERT_EQ(r.status, 0) << r.err;
  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& s : schedules()) out.push_back(s.name);
    return out;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"future", "daily", "weekly"}));

  r = run("delete-schedule " + path_ + " daily");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(names(), (std::vector<std::string>{"future", "weekly"}));

  r = run("delete-schedule " + path_ + " daily");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, formatText(Text::StoreNoSuchSchedule, "daily") + "\n");
  EXPECT_EQ(run("delete-schedule").status, 2);
}

}  // namespace
}  // namespace karone
