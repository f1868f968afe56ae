#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include "resources/Texts.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/doubles/MemorySettingsStorage.h"

namespace karone {
namespace {

struct Fixture {
  MemorySettingsStorage storage;
  RecordingPrompter prompter;
  SettingsStore store{storage, prompter};
};

TEST(SettingsStore, FirstRunCreatesKeyWithAllSixteenDefaults) {
  Fixture f;
  f.store.EnsureDefaults();
  f.store.Load();
  EXPECT_TRUE(f.storage.exists);
  EXPECT_TRUE(f.prompter.prompts().empty());
  const std::map<std::string, std::string> expected = {
      {"iLastSelSiteInfoIndex", "0"}, {"iCaptureMode", "0"},         {"iCaptureFPS", "1"},
      {"iCmprQuality", "25"},         {"iBufferSize", "6"},          {"iStillCaptType", "0"},
      {"iStillCaptTypeIndex", "0"},   {"iImageWidth", "320"},        {"iImageHeight", "240"},
      {"iVideoSource", "0"},          {"iIndexFrgSubtitleColor", "0"}, {"dwUniqueRunningNum", "0"},
      {"bBackupPrevImage", "0"},      {"bAutoShutAndRecon", "0"},    {"strSRFTPProfile", ""},
      {"strLastCaptureDevice", ""}};
  EXPECT_EQ(f.storage.values, expected);
  EXPECT_EQ(f.store.Get(), AppSettings());
}

TEST(SettingsStore, EnsureDefaultsKeepsReadableValuesAndRepairsOthers) {
  Fixture f;
  f.storage.exists = true;
  f.storage.values = {{"iCmprQuality", "80"}, {"strSRFTPProfile", "局"}, {"iBufferSize", "12"}};
  f.storage.unreadable["iBufferSize"] = true;
  f.store.EnsureDefaults();
  EXPECT_EQ(f.storage.values["iCmprQuality"], "80");
  EXPECT_EQ(f.storage.values["strSRFTPProfile"], "局");
  EXPECT_EQ(f.storage.values["iBufferSize"], "6");
  EXPECT_EQ(f.storage.values.size(), 16u);
}

TEST(SettingsStore, KeyThatCannotBeCreatedIsReportedAndDefaultsAreUsed) {
  Fixture f;
  f.storage.failCreate = true;
  f.storage.values = {{"iCmprQuality", "80"}};
  f.store.EnsureDefaults();
  auto prompts = f.prompter.prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text, "Unable to create key");
  EXPECT_EQ(prompts[0].caption, "Software\\Brenko\\Tamblor\\Encoder");
  EXPECT_EQ(prompts[0].buttons, PromptButtons::Ok);
  f.store.Load();
  EXPECT_EQ(f.store.Get(), AppSettings());
}

TEST(SettingsStore, IntegersKeepTheirBitPatternThroughText) {
  struct Row {
    std::string text;
    std::int32_t value;
  };
  const Row rows[] = {{"0", 0},           {"25", 25},     {"4294967295", -1},
                      {"2147483648", INT32_MIN}, {"-5", -5}, {"  42", 42},
                      {"12abc", 12},      {"abc", 0},     {"", 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(SettingsStore::parseInteger(row.text), row.value) << row.text;
  }
  EXPECT_EQ(SettingsStore::integerText(-1), "4294967295");
  EXPECT_EQ(SettingsStore::integerText(INT32_MIN), "2147483648");
  // Longer than the 80-byte read buffer: unreadable.
  EXPECT_FALSE(SettingsStore::parseInteger(std::string(80, '1')));
  EXPECT_TRUE(SettingsStore::parseInteger(std::string(79, '1')));
}

TEST(SettingsStore, MissingValueLoadsAsSentinel) {
  Fixture f;
  f.storage.exists = true;
  f.store.Load();
  EXPECT_EQ(f.store.Get().iCmprQuality, SettingsStore::kUnreadable);
  EXPECT_EQ(f.store.Get().strSRFTPProfile, "");
}

TEST(SettingsStore, SaveCorrectsOutOfRangeValuesWithoutChangingTheRecord) {
  struct Row {
    std::int32_t AppSettings::*field;
    const char* name;
    std::int32_t stored;
    const char* written;
  };
  const Row rows[] = {
      {&AppSettings::iCaptureMode, "iCaptureMode", 1, "1"},
      {&AppSettings::iCaptureMode, "iCaptureMode", 2, "0"},
      {&AppSettings::iCaptureFPS, "iCaptureFPS", 10, "10"},
      {&AppSettings::iCaptureFPS, "iCaptureFPS", 15, "1"},
      {&AppSettings::iCaptureFPS, "iCaptureFPS", 0, "1"},
      {&AppSettings::iCmprQuality, "iCmprQuality", 99, "99"},
      {&AppSettings::iCmprQuality, "iCmprQuality", 100, "25"},
      {&AppSettings::iCmprQuality, "iCmprQuality", 0, "25"},
      {&AppSettings::iBufferSize, "iBufferSize", 40, "6"},
      {&AppSettings::iBufferSize, "iBufferSize", 5, "5"},
      {&AppSettings::iBufferSize, "iBufferSize", 4, "6"},
      {&AppSettings::iBufferSize, "iBufferSize", 30, "30"},
      {&AppSettings::iImageWidth, "iImageWidth", 160, "160"},
      {&AppSettings::iImageWidth, "iImageWidth", 640, "320"},
      {&AppSettings::iImageHeight, "iImageHeight", 119, "240"},
      {&AppSettings::iStillCaptType, "iStillCaptType", 3, "0"},
      {&AppSettings::iStillCaptTypeIndex, "iStillCaptTypeIndex", -1, "0"},
      {&AppSettings::iStillCaptTypeIndex, "iStillCaptTypeIndex", 58, "58"},
      {&AppSettings::iVideoSource, "iVideoSource", 3, "0"},
      {&AppSettings::iIndexFrgSubtitleColor, "iIndexFrgSubtitleColor", -2, "0"},
      {&AppSettings::iLastSelSiteInfoIndex, "iLastSelSiteInfoIndex", -1, "4294967295"},
      {&AppSettings::dwUniqueRunningNum, "dwUniqueRunningNum", -1, "4294967295"},
  };
  for (const auto& row : rows) {
    Fixture f;
    f.storage.exists = true;
    AppSettings settings;
    settings.*row.field = row.stored;
    f.store.Set(settings);
    ASSERT_TRUE(f.store.Save());
    EXPECT_EQ(f.storage.values[row.name], row.written) << row.name << " " << row.stored;
    EXPECT_EQ(f.store.Get().*row.field, row.stored) << row.name;
  }
}

TEST(SettingsStore, SaveWithoutKeyWritesNothing) {
  Fixture f;
  EXPECT_FALSE(f.store.Save());
  EXPECT_EQ(f.storage.writes, 0);
}

TEST(SettingsStore, TextsHoldAtMost255CodePage932Bytes) {
  Fixture f;
  f.storage.exists = true;
  std::string kana;
  for (int i = 0; i < 200; ++i) kana += "あ";  // 400 bytes in code page 932
  AppSettings settings;
  settings.strSRFTPProfile = kana;
  settings.strLastCaptureDevice = "x" + kana;
  f.store.Set(settings);
  EXPECT_EQ(f.store.Get().strSRFTPProfile.size(), 127u * 3);  // 254 bytes, never half a character
  EXPECT_EQ(f.store.Get().strLastCaptureDevice.size(), 1u + 127u * 3);
  ASSERT_TRUE(f.store.Save());
  f.storage.values["strSRFTPProfile"] = kana;  // longer, written by something else
  f.store.Load();
  EXPECT_EQ(f.store.Get().strSRFTPProfile.size(), 127u * 3);
}

TEST(SettingsStore, StillIntervalLists) {
  EXPECT_EQ(stillIntervalSeconds(0, 0), 30);
  EXPECT_EQ(stillIntervalSeconds(0, 5), 55);
  EXPECT_EQ(stillIntervalSeconds(0, 6), 0);
  EXPECT_EQ(stillIntervalSeconds(1, 0), 60);
  EXPECT_EQ(stillIntervalSeconds(1, 58), 59 * 60);
  EXPECT_EQ(stillIntervalSeconds(2, 22), 23 * 3600);
  EXPECT_EQ(stillIntervalSeconds(2, 23), 0);
  EXPECT_EQ(stillIntervalSeconds(3, 0), 0);
}

}  // namespace
}  // namespace karone
