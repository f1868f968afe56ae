#include "schedule/ScheduleValidation.h"

#include <gtest/gtest.h>

#include <functional>

#include "schedule/ScheduleEdit.h"
#include "tests/support/ScopedTimeZone.h"

namespace karone {
namespace {

constexpr Seconds kNow = 1'781'000'000;  // 2026-06-09, a Tuesday

ScheduleInfo candidate(std::int32_t period, Seconds lead, Seconds span) {
  ScheduleInfo c;
  c.name = "new";
  c.ftpProfileName = "plain";
  c.period = period;
  c.start = static_cast<std::int32_t>(kNow + lead);
  c.end = static_cast<std::int32_t>(kNow + lead + span);
  return c;
}

ScheduleInfo still(std::int32_t period, Seconds lead, Seconds span, std::int32_t update) {
  ScheduleInfo c = candidate(period, lead, span);
  c.captureMode = CaptureStill;
  c.updatePeriod = update;
  return c;
}

ProfileInfo profile(const char* name, bool dialup) {
  ProfileInfo p;
  p.name = name;
  p.useDialup = dialup ? 1 : 0;
  return p;
}

struct Case {
  const char* what;
  ScheduleInfo c;
  int check;  // 0: accepted
  std::optional<std::string> modifiedName = std::nullopt;
};

ScheduleInfo with(ScheduleInfo c, const std::function<void(ScheduleInfo&)>& change) {
  change(c);
  return c;
}

TEST(ScheduleValidation, ChecksInOrderWithTheirBoundaries) {
  testing::ScopedTimeZone tz("Asia/Tokyo");
  const Seconds H = 3600, D = 86400;
  // Stored: "taken" far from everything else (Once, 200 days ahead).
  const std::vector<ScheduleInfo> stored = {
      with(candidate(PeriodOnce, 200 * D, H), [](ScheduleInfo& s) { s.name = "taken"; })};
  const std::vector<ProfileInfo> profiles = {profile("plain", false), profile("dial", true)};
  const Case cases[] = {
      {"valid once", candidate(PeriodOnce, H, H), 0},
      {"blank name", with(candidate(PeriodOnce, H, H), [](auto& c) { c.name = " \t "; }), 1},
      {"blank name before a passed start",
       with(candidate(PeriodOnce, -H, H), [](auto& c) { c.name = ""; }), 1},
      {"name taken when adding",
       with(candidate(PeriodOnce, H, H), [](auto& c) { c.name = "taken"; }), 2},
      {"name taken by another when modifying",
       with(candidate(PeriodOnce, H, H), [](auto& c) { c.name = "taken"; }), 2,
       std::string("old")},
      {"own name kept when modifying (and not overlapping itself)",
       with(candidate(PeriodOnce, 200 * D, H), [](auto& c) { c.name = "taken"; }), 0,
       std::string("taken")},
      {"start now", candidate(PeriodOnce, 0, H), 3},
      {"start one second ahead", candidate(PeriodOnce, 1, H), 0},
      {"end before start", candidate(PeriodOnce, H, -1), 4},
      {"start equal to end: too short, not reversed", candidate(PeriodOnce, H, 0), 5},
      {"59 seconds", candidate(PeriodOnce, H, 59), 5},
      {"exactly a minute", candidate(PeriodOnce, H, 60), 0},
      {"daily exactly a day", candidate(PeriodDaily, 3 * H, D), 0},
      {"daily a day and a second", candidate(PeriodDaily, 3 * H, D + 1), 6},
      {"weekly exactly a week", candidate(PeriodWeekly, H, 7 * D), 0},
      {"weekly a week and a second", candidate(PeriodWeekly, H, 7 * D + 1), 7},
      {"once exactly 30 days", candidate(PeriodOnce, H, 30 * D), 0},
      {"once 30 days and a second", candidate(PeriodOnce, H, 30 * D + 1), 8},
      {"still shorter than its update", still(PeriodOnce, H, H - 60, H), 9},
      {"still two updates exactly", still(PeriodOnce, H, 2 * H, H), 10},
      {"still one update exactly", still(PeriodOnce, H, H, H), 10},
      {"still two updates and a minute", still(PeriodOnce, H, 2 * H + 60, H), 0},
      {"still update 0 does not divide", still(PeriodOnce, H, H, 0), 0},
      {"motion ignores the update period", with(candidate(PeriodOnce, H, 2 * H),
                                                [](auto& c) { c.updatePeriod = H; }),
       0},
      {"exactly a year ahead", candidate(PeriodOnce, 365 * D, H), 0},
      {"a year and a second ahead", candidate(PeriodOnce, 365 * D + 1, H), 11},
      {"dial-up profile 299 s ahead",
       with(candidate(PeriodOnce, 299, H), [](auto& c) { c.ftpProfileName = "dial"; }), 12},
      {"dial-up profile 300 s ahead",
       with(candidate(PeriodOnce, 300, H), [](auto& c) { c.ftpProfileName = "dial"; }), 0},
      {"missing profile counts as without dial-up",
       with(candidate(PeriodOnce, 10, H), [](auto& c) { c.ftpProfileName = "gone"; }), 0},
      {"overlaps a stored entry", candidate(PeriodOnce, 200 * D + H, H), 13},
  };
  for (const Case& c : cases) {
    ScheduleValidationContext ctx;
    ctx.now = kNow;
    ctx.schedules = &stored;
    ctx.profiles = &profiles;
    ctx.modifiedName = c.modifiedName;
    std::optional<ScheduleRefusal> r = validateSchedule(c.c, ctx);
    EXPECT_EQ(r ? r->check : 0, c.check) << c.what;
  }
}

TEST(ScheduleValidation, MessagesComeFromTheTable) {
  testing::ScopedTimeZone tz("Asia/Tokyo");
  const std::vector<ScheduleInfo> stored = {
      with(candidate(PeriodOnce, 86400, 3600), [](ScheduleInfo& s) { s.name = "朝の部"; })};
  ScheduleValidationContext ctx;
  ctx.now = kNow;
  ctx.schedules = &stored;

  auto r = validateSchedule(
      with(candidate(PeriodOnce, 60, 3600), [](auto& c) { c.name = "朝の部"; }), ctx);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->message, Text::ScheduleNameExists);
  EXPECT_EQ(r->text, formatText(Text::ScheduleNameExists, "朝の部"));
  EXPECT_EQ(r->text.rfind("\"朝の部\" ", 0), 0u) << "the name in quotes, first";

  r = validateSchedule(candidate(PeriodOnce, 60, 0), ctx);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, text(Text::ScheduleSpanTooShort));

  // A name that looks like a format is shown as typed.
  const std::vector<ScheduleInfo> percent = {
      with(candidate(PeriodOnce, 86400, 3600), [](ScheduleInfo& s) { s.name = "%s%n"; })};
  ctx.schedules = &percent;
  r = validateSchedule(with(candidate(PeriodOnce, 60, 3600), [](auto& c) { c.name = "%s%n"; }),
                       ctx);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text.substr(0, 7), "\"%s%n\" ");
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

TEST(ScheduleEdit, FormsThenChecks) {
  testing::ScopedTimeZone tz("Asia/Tokyo");
  ScheduleFields f;
  f.name = " 毎朝 ";
  f.ftpProfileName = "plain";
  f.period = PeriodDaily;
  f.startHour = 10;
  f.endHour = 11;
  const Seconds now = 1'781'000'000;  // 19:13:20: today's 10:00 has passed
  const std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> stored;

  ScheduleEditResult added = confirmScheduleEdit(f, now, stored, profiles, std::nullopt);
  ASSERT_FALSE(added.refusal);
  EXPECT_EQ(added.entry.name, "毎朝");
  EXPECT_EQ(added.entry.start, now + 14 * 3600 + 46 * 60 + 40) << "tomorrow 10:00";

  // Re-confirming the stored entry unchanged is not a clash with itself...
  stored.push_back(added.entry);
  EXPECT_FALSE(confirmScheduleEdit(f, now, stored, profiles, std::string("毎朝")).refusal);
  // ...but adding it again is, by name first.
  ScheduleEditResult again = confirmScheduleEdit(f, now, stored, profiles, std::nullopt);
  ASSERT_TRUE(again.refusal);
  EXPECT_EQ(again.refusal->check, 2);
  f.name = "別名";
  again = confirmScheduleEdit(f, now, stored, profiles, std::nullopt);
  ASSERT_TRUE(again.refusal);
  EXPECT_EQ(again.refusal->check, 13);

  // A Once entry keeps its chosen dates, however past.
  f.period = PeriodOnce;
  f.startDate = f.endDate = {2026, 6, 9};
  again = confirmScheduleEdit(f, now, {}, profiles, std::nullopt);
  ASSERT_TRUE(again.refusal);
  EXPECT_EQ(again.refusal->check, 3);
}

}  // namespace
}  // namespace karone
