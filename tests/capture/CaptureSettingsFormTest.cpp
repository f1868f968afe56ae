// The capture settings dialog's rules: the period lists, when the
// automatic start may be chosen, the opening choice and what OK stores.
#include "capture/CaptureSettingsForm.h"

#include <gtest/gtest.h>

#include "resources/Texts.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

TEST(CaptureSettingsForm, PeriodListsHoldExactlyTheirEntries) {
  EXPECT_EQ(stillPeriodEntries(StillSeconds),
            (std::vector<std::string>{"30 秒", "35 秒", "40 秒", "45 秒", "50 秒", "55 秒"}));
  const auto minutes = stillPeriodEntries(StillMinutes);
  ASSERT_EQ(minutes.size(), 59u);
  EXPECT_EQ(minutes.front(), "1 分");
  EXPECT_EQ(minutes[9], "10 分");
  EXPECT_EQ(minutes[20], "21 分");
  EXPECT_EQ(minutes[21], "22 分 ") << "the entry for 22 keeps its trailing blank";
  EXPECT_EQ(minutes[22], "23 分");
  EXPECT_EQ(minutes.back(), "59 分");
  const auto hours = stillPeriodEntries(StillHours);
  ASSERT_EQ(hours.size(), 23u);
  EXPECT_EQ(hours.front(), "1 時間");
  EXPECT_EQ(hours.back(), "23 時間");
  EXPECT_TRUE(stillPeriodEntries(3).empty());
}

TEST(CaptureSettingsForm, AutoStartNeedsStillModeTenMinutesAndAProfile) {
  struct Case {
    int mode, unit, index, profiles;
    bool allowed;
  };
  const Case cases[] = {
      {1, StillMinutes, 8, 1, false},   // "9 分"
      {1, StillMinutes, 9, 1, true},    // "10 分"
      {1, StillMinutes, 58, 1, true},   // "59 分"
      {1, StillHours, 0, 1, true},      // "1 時間"
      {1, StillSeconds, 5, 3, false},   // seconds never
      {0, StillHours, 5, 3, false},     // motion never
      {1, StillHours, 5, 0, false},     // no profile
      {1, StillMinutes, -1, 1, false},  // nothing chosen
  };
  for (const Case& c : cases) {
    EXPECT_EQ(autoStartAllowed(c.mode, c.unit, c.index, c.profiles), c.allowed)
        << c.mode << " " << c.unit << " " << c.index << " " << c.profiles;
  }
}

TEST(CaptureSettingsForm, AStoredPeriodOutsideTheListsOpensAtAFirstEntry) {
  struct Case {
    int unit, index, openUnit, openIndex;
  };
  const Case cases[] = {{1, 21, 1, 21}, {0, 5, 0, 5}, {0, 6, 0, 0}, {2, 23, 2, 0},
                        {2, -1, 2, 0},  {3, 4, 0, 0}, {-1, 0, 0, 0}};
  for (const Case& c : cases) {
    const StillChoice choice = openingStillChoice(c.unit, c.index);
    EXPECT_EQ(choice.unit, c.openUnit) << c.unit << "/" << c.index;
    EXPECT_EQ(choice.index, c.openIndex) << c.unit << "/" << c.index;
  }
}

CaptureSettings stored() {
  CaptureSettings s;
  s.mode = 1;
  s.frameRate = 5;
  s.framesPerStrip = 12;
  s.quality = 40;
  s.autoReconnect = true;
  s.autoReconnectProfile = "old";
  s.dialupEntry = "mobile";
  s.dialupUser = "u";
  s.dialupPassword = "p";
  return s;
}

CaptureSettingsChoice stillTenMinutes() {
  CaptureSettingsChoice c;
  c.mode = 1;
  c.quality = 77;
  c.stillUnit = StillMinutes;
  c.stillIndex = 9;
  c.keepOldImages = true;
  c.autoStartChecked = true;
  c.autoStartProfile = "camera";
  c.profileCount = 2;
  return c;
}

TEST(CaptureSettingsForm, OkStoresTheChoiceWithOneFramePerSecondAndSixFramesPerStrip) {
  RecordingPrompter prompter;
  const auto after = confirmCaptureSettings(stored(), stillTenMinutes(), prompter);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->mode, 1);
  EXPECT_EQ(after->frameRate, 1);
  EXPECT_EQ(after->framesPerStrip, 6);
  EXPECT_EQ(after->quality, 77);
  EXPECT_EQ(after->stillUnit, StillMinutes);
  EXPECT_EQ(after->stillIndex, 9);
  EXPECT_TRUE(after->keepOldImages);
  EXPECT_TRUE(after->autoReconnect);
  EXPECT_EQ(after->autoReconnectProfile, "camera");
  EXPECT_EQ(after->dialupEntry, "mobile") << "carried through";
  EXPECT_EQ(after->dialupUser, "u");
  EXPECT_EQ(after->dialupPassword, "p");
  EXPECT_TRUE(prompter.prompts().empty());
}

TEST(CaptureSettingsForm, AutoStartIsStoredOnlyWhenAllowedAndChecked) {
  struct Case {
    const char* what;
    void (*change)(CaptureSettingsChoice&);
  };
  const Case cases[] = {
      {"motion mode", [](CaptureSettingsChoice& c) { c.mode = 0; }},
      {"nine minutes", [](CaptureSettingsChoice& c) { c.stillIndex = 8; }},
      {"no profiles", [](CaptureSettingsChoice& c) { c.profileCount = 0; }},
      {"not checked", [](CaptureSettingsChoice& c) { c.autoStartChecked = false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CaptureSettingsChoice choice = stillTenMinutes();
    c.change(choice);
    RecordingPrompter prompter;
    const auto after = confirmCaptureSettings(stored(), choice, prompter);
    ASSERT_TRUE(after);
    EXPECT_FALSE(after->autoReconnect);
    EXPECT_EQ(after->autoReconnectProfile, "");
    EXPECT_TRUE(prompter.prompts().empty());
  }
}

TEST(CaptureSettingsForm, AutoStartWithoutAProfileChosenIsRefused) {
  CaptureSettingsChoice choice = stillTenMinutes();
  choice.autoStartProfile.reset();
  RecordingPrompter prompter;
  EXPECT_FALSE(confirmCaptureSettings(stored(), choice, prompter));
  const auto prompts = prompter.prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text, "FTPプロファイルを設定されていません\n\n 設定を行ってください。");
  EXPECT_EQ(prompts[0].caption, "キャプチャー設定");
  EXPECT_EQ(prompts[0].icon, PromptIcon::Warning);
}

}  // namespace
}  // namespace karone
