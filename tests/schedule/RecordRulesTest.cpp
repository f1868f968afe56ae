#include "schedule/RecordRules.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

ProfileInfo profile(const std::string& name) {
  ProfileInfo p;
  p.name = name;
  return p;
}

ScheduleInfo schedule(const std::string& name, const std::string& profileName) {
  ScheduleInfo s;
  s.name = name;
  s.ftpProfileName = profileName;
  return s;
}

TEST(RecordRules, EveryTextOfARecordIsOneLine) {
  for (auto field : {&ProfileInfo::name, &ProfileInfo::address, &ProfileInfo::userId,
                     &ProfileInfo::password, &ProfileInfo::uploadDirectory,
                     &ProfileInfo::dialupEntry, &ProfileInfo::dialupUser,
                     &ProfileInfo::dialupPassword}) {
    for (const std::string& bad :
         {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
      ProfileInfo p = profile("P");
      p.*field = bad;
      EXPECT_TRUE(fieldWithLineBreak(p));
    }
  }
  ProfileInfo fine = profile("P");
  fine.password = "tab\tand spaces and 日本語";
  EXPECT_FALSE(fieldWithLineBreak(fine));
  EXPECT_EQ(fieldWithLineBreak(schedule("S", "P\n")), "ftpProfileName");
}

TEST(RecordRules, NamesAreNotBlankAndUniqueAndSchedulesNameAProfile) {
  using Kind = RecordProblem::Kind;
  struct Row {
    const char* name;
    std::vector<ProfileInfo> profiles;
    std::vector<ScheduleInfo> schedules;
    std::optional<Kind> kind;
    std::string where;
  };
  const Row rows[] = {
      {"fine", {profile("A"), profile("a")}, {schedule("S", "A"), schedule("s", "a")}, {}, ""},
      {"blank profile", {profile(" \t")}, {}, Kind::BlankName, "profiles[0].name"},
      {"duplicate profile", {profile("A"), profile("B"), profile("A")}, {}, Kind::DuplicateName,
       "profiles[2].name"},
      {"blank schedule", {profile("A")}, {schedule("", "A")}, Kind::BlankName, "schedules[0].name"},
      {"duplicate schedule", {profile("A")}, {schedule("S", "A"), schedule("S", "A")},
       Kind::DuplicateName, "schedules[1].name"},
      {"unknown profile", {profile("A")}, {schedule("S", "B")}, Kind::UnknownProfile,
       "schedules[0].ftpProfileName"},
      {"line break", {profile("A\n")}, {}, Kind::LineBreak, "profiles[0].name"},
  };
  for (const Row& row : rows) {
    auto problem = findRecordProblem(row.profiles, row.schedules);
    ASSERT_EQ(problem.has_value(), row.kind.has_value()) << row.name;
    if (!problem) continue;
    EXPECT_EQ(problem->kind, *row.kind) << row.name;
    EXPECT_EQ(problem->where, row.where) << row.name;
  }
  auto duplicate = findRecordProblem({profile("A"), profile("A")}, {});
  EXPECT_EQ(duplicate->earlier, "profiles[0]");
  EXPECT_EQ(duplicate->name, "A");
}

TEST(RecordRules, RotationKeepsACountTheDialogOffersWhateverIsStored) {
  struct Row {
    std::int32_t keepBuffers, count;
    int kept;
    bool outOfRange;
  };
  const Row rows[] = {
      {0, 10, 10, false},       {0, 2, 2, false},   {0, 100, 100, false},
      {0, 0, 2, true},  // a stored 0 would turn rotation off
      {0, 1, 2, true},          {0, -5, 2, true},   {0, 101, 100, true},
      {0, INT32_MAX, 100, true}, {1, 0, -1, false}, {1, 10, -1, false},
  };
  for (const Row& row : rows) {
    ProfileInfo p = profile("P");
    p.keepBuffers = row.keepBuffers;
    p.bufferClipCount = row.count;
    EXPECT_EQ(keptStrips(p), row.kept) << row.keepBuffers << " " << row.count;
    EXPECT_EQ(clipCountOutOfRange(p), row.outOfRange) << row.keepBuffers << " " << row.count;
  }
}

}  // namespace
}  // namespace karone
