#include "ftp/EventLog.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "ftp/MemoryLogView.h"
#include "platform/Paths.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"

namespace karone {
namespace {

using testing::readFile;
using testing::ScopedEnv;
using testing::TempDir;

std::vector<std::string> fileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(readFile(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Seconds utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<Seconds>(timegm(&tm));
}

class EventLogTest : public ::testing::Test {
 protected:
  EventLogTest() : tz_("TZ", "UTC") {}

  ScopedEnv tz_;
  TempDir dir_;
  FakeClock clock_{utc(2003, 3, 7, 14, 5, 9)};
  MemoryLogView view_{400, 6};
  std::string prefix_ = "(03/03/07-14:05:09)> ";
};

TEST_F(EventLogTest, PrefixesTheLocalTimeAndWritesOneLineFeedPerLine) {
  ScopedEnv tokyo("TZ", "JST-9");
  clock_.set(utc(2003, 3, 7, 5, 5, 9));  // 14:05:09 in Tokyo
  EventLog log(clock_, dir_.path());
  log.setView(&view_);
  ASSERT_TRUE(log.OpenLog());
  log.Log("接続完了");
  clock_.advance(60 * 60 * 24 * 300);
  log.Log("next");
  EXPECT_EQ(view_.lines(),
            (std::vector<std::string>{"(03/03/07-14:05:09)> 接続完了", "(04/01/01-14:05:09)> next"}));
  EXPECT_EQ(readFile(dir_.file("kirufa_log.txt")),
            "(03/03/07-14:05:09)> 接続完了\n(04/01/01-14:05:09)> next\n");
  EXPECT_EQ(view_.scrollCount(), 2);
}

TEST_F(EventLogTest, TheViewKeepsTheNewest499LinesAndTheFileKeepsAll) {
  EventLog log(clock_, dir_.path());
  log.setView(&view_);
  log.OpenLog();
  for (int i = 1; i <= 499; ++i) log.Log("line " + std::to_string(i));
  EXPECT_EQ(view_.lineCount(), 499);
  EXPECT_EQ(view_.lines().front(), prefix_ + "line 1");

  log.Log("line 500");
  auto lines = view_.lines();
  ASSERT_EQ(lines.size(), 499u);
  EXPECT_EQ(lines.front(), prefix_ + "line 2");
  EXPECT_EQ(lines.back(), prefix_ + "line 500");

  for (int i = 501; i <= 1200; ++i) log.Log("line " + std::to_string(i));
  EXPECT_EQ(view_.lineCount(), 499);
  EXPECT_EQ(view_.lines().front(), prefix_ + "line 702");
  EXPECT_EQ(fileLines(dir_.file("kirufa_log.txt")).size(), 1200u);
}

TEST_F(EventLogTest, TheHorizontalExtentFollowsTheWidestMessageAndNeverNarrows) {
  // The view is 400 pixels wide, 6 pixels per narrow character, 12 per wide.
  struct Row {
    std::string message;
    int extent;
  };
  const Row rows[] = {
      {"short", 400},                   // the view's own width to begin with
      {std::string(66, 'x'), 400},      // 396 pixels still fit
      {std::string(100, 'x'), 600},     // wider: the extent grows
      {"narrow again", 600},            // never narrows
      {std::string(99, 'y'), 600},      // 594 < 600
      {std::string(60, 'x') + "アップロード完了", 600},  // 360 + 8 * 12 = 456
      {std::string(100, 'x') + "完了", 624},            // 600 + 2 * 12
  };
  EventLog log(clock_, dir_.path());
  log.setView(&view_);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message.size());
    log.Log(row.message);
    EXPECT_EQ(view_.horizontalExtent(), row.extent);
  }
  std::string wide;
  for (int i = 0; i < 60; ++i) wide += "再";  // 60 wide characters: 720 pixels
  log.Log(wide);
  EXPECT_EQ(view_.horizontalExtent(), 720);
  log.Log("x");
  EXPECT_EQ(view_.horizontalExtent(), 720);
}

TEST_F(EventLogTest, EveryOpenLogStartsAFreshFileAndKeepsTheEarlierRunsFiles) {
  const std::string current = dir_.file("kirufa_log.txt");
  auto kept = [&](int n) { return dir_.file("kirufa_log." + std::to_string(n) + ".txt"); };
  {
    // A crashed run never closed its file; its late lines stay in its own file.
    EventLog crashed(clock_, dir_.path());
    crashed.setView(&view_);
    ASSERT_TRUE(crashed.OpenLog());
    crashed.Log("crashed run");
    EventLog second(clock_, dir_.path());
    second.setView(&view_);
    ASSERT_TRUE(second.OpenLog());
    second.Log("second run");
    crashed.Log("late line of the crashed run");
    EXPECT_EQ(readFile(current), prefix_ + "second run\n");
    EXPECT_EQ(readFile(kept(1)), prefix_ + "crashed run\n" + prefix_ + "late line of the crashed run\n");
    EXPECT_EQ(second.keptFilePath(1), kept(1));
  }
  // Each start moves the files one number up; the oldest beyond the kept
  // runs goes.
  for (int run = 3; run <= 3 + EventLog::kKeptRuns; ++run) {
    EventLog log(clock_, dir_.path());
    log.setView(&view_);
    ASSERT_TRUE(log.OpenLog());
    log.Log("run " + std::to_string(run));
  }
  const int last = 3 + EventLog::kKeptRuns;
  EXPECT_EQ(readFile(current), prefix_ + "run " + std::to_string(last) + "\n");
  for (int n = 1; n <= EventLog::kKeptRuns; ++n) {
    EXPECT_EQ(readFile(kept(n)), prefix_ + "run " + std::to_string(last - n) + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(kept(EventLog::kKeptRuns + 1)));
}

TEST_F(EventLogTest, WithoutAViewNothingIsLoggedNotEvenToTheFile) {
  EventLog log(clock_, dir_.path());
  ASSERT_TRUE(log.OpenLog());
  log.Log("nobody sees this");
  EXPECT_EQ(readFile(dir_.file("kirufa_log.txt")), "");
  log.setView(&view_);
  log.Log("seen");
  log.setView(nullptr);
  log.Log("not seen");
  EXPECT_EQ(readFile(dir_.file("kirufa_log.txt")), prefix_ + "seen\n");
  EXPECT_EQ(view_.lineCount(), 1);
}

TEST_F(EventLogTest, WithoutAFileTheViewStillGetsEveryLine) {
  EventLog log(clock_, dir_.file("no/such/folder"));
  log.setView(&view_);
  EXPECT_FALSE(log.OpenLog());
  EXPECT_FALSE(log.isOpen());
  log.Log("still shown");
  EXPECT_EQ(view_.lineCount(), 1);
}

TEST_F(EventLogTest, TheFileLivesInTheStateFolderUnlessToldOtherwise) {
  testing::ScopedProgramDirs dirs;
  EventLog log(clock_);
  EXPECT_EQ(log.filePath(), paths::stateDir() + "kirufa_log.txt");
  log.setView(&view_);
  ASSERT_TRUE(log.OpenLog());
  log.Log("here");
  EXPECT_EQ(readFile(paths::stateDir() + "kirufa_log.txt"), prefix_ + "here\n");
  log.setFolder(dir_.path() + "/");
  EXPECT_EQ(log.filePath(), dir_.file("kirufa_log.txt"));
}

TEST_F(EventLogTest, LongMessagesAreWrittenWholeAndLineBreaksCannotSplitALine) {
  std::string long1000;
  while (long1000.size() < 1000) long1000 += "サーバー/";
  std::vector<std::string> echoed;
  MemoryLogView echoing(400, 6, [&](const std::string& line) { echoed.push_back(line); });
  EventLog log(clock_, dir_.path());
  log.setView(&echoing);
  log.OpenLog();
  log.Log(long1000);
  log.Log("first\nsecond\r\nthird");
  std::vector<std::string> expected{prefix_ + long1000, prefix_ + "first second  third"};
  EXPECT_EQ(fileLines(dir_.file("kirufa_log.txt")), expected);
  EXPECT_EQ(echoing.lines(), expected);
  EXPECT_EQ(echoed, expected);
}

TEST_F(EventLogTest, LinesFromManyThreadsAreNeitherInterleavedNorLost) {
  EventLog log(clock_, dir_.path());
  log.setView(&view_);
  log.OpenLog();
  constexpr int kThreads = 6, kEach = 200;
  // Each message is longer than a pipe-sized write would keep atomic by
  // itself, so interleaving would show.
  auto message = [](int t, int i) {
    return "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
           std::string(3000, static_cast<char>('a' + t));
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) log.Log(message(t, i));
    });
  }
  for (auto& thread : threads) thread.join();

  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) expected.insert(prefix_ + message(t, i));
  }
  auto lines = fileLines(dir_.file("kirufa_log.txt"));
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kEach));
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
  auto shown = view_.lines();
  EXPECT_EQ(shown.size(), 499u);
  for (const auto& line : shown) EXPECT_EQ(expected.count(line), 1u);
  // The view and the file saw the lines in the same order.
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), lines.end() - 499));
}

}  // namespace
}  // namespace karone
