#include "schedule/DataFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace karone {
namespace {

// "01 00 FF" -> bytes; quoted runs ("'CFTPInfoItem'") are taken literally.
std::string hex(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == ' ') {
      ++i;
    } else if (c == '\'') {
      size_t end = text.find('\'', i + 1);
      out += text.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

std::string le32(std::int32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  return out;
}

ProfileInfo profileA() {
  ProfileInfo p;
  p.name = "A";
  p.address = "ftp";
  p.userId = "u";
  p.port = 21;
  p.keepBuffers = 0;
  p.bufferClipCount = 10;
  p.useDialup = 0;
  p.passiveMode = 1;
  return p;
}

ScheduleInfo dailyStillS() {
  ScheduleInfo s;
  s.name = "S";
  s.ftpProfileName = "A";
  s.captureMode = CaptureStill;
  s.period = PeriodDaily;
  s.videoSource = 2;
  s.videoSize = 1;
  s.updatePeriod = 3600;
  s.start = 1765000000;
  s.end = -5;  // times are signed
  return s;
}

const std::string kProfileTag = hex("FF FF 02 00 0C 00 'CFTPInfoItem'");
const std::string kScheduleTag = hex("FF FF 01 00 0D 00 'CScheInfoItem'");
const std::string kProfileABody =
    hex("01 41 03 66 74 70 01 75 00 00 15 00 00 00 00 00 00 00 0A 00 00 00 00 00 00 "
        "00 00 00 00 01 00 00 00");

TEST(DataFile, EmptyStoreIsFourZeroBytes) {
  EXPECT_EQ(DataFile::write({}, {}), std::string(4, '\0'));
  auto read = DataFile::read(std::string(4, '\0'));
  EXPECT_TRUE(read.ok());
  EXPECT_TRUE(read.profiles.empty());
  EXPECT_TRUE(read.schedules.empty());
  EXPECT_EQ(read.offset, 4u);
}

TEST(DataFile, OneProfileAndOneDailyScheduleByteForByte) {
  ScheduleInfo s = dailyStillS();
  std::string expected = hex("01 00") + kProfileTag + kProfileABody + hex("01 00") +
                         kScheduleTag + hex("01 00 00 00 02 00 00 00") + le32(s.start) +
                         le32(s.end) + hex("01 53 02 00 00 00 01 00 00 00 01 41 10 0E 00 00");
  std::string written = DataFile::write({profileA()}, {s});
  EXPECT_EQ(written, expected);

  auto read = DataFile::read(written);
  ASSERT_TRUE(read.ok());
  ASSERT_EQ(read.profiles.size(), 1u);
  ASSERT_EQ(read.schedules.size(), 1u);
  EXPECT_EQ(read.profiles[0], profileA());
  EXPECT_EQ(read.schedules[0], s);
  EXPECT_EQ(read.trailingBytes, 0u);
}

// Classes and objects share one index counter: with n profiles the schedule
// class takes index n + 2.
TEST(DataFile, ClassTagsShareOneIndexCounterWithObjects) {
  ScheduleInfo s1 = dailyStillS(), s2 = dailyStillS(), s3 = dailyStillS();
  s2.name = "T";
  s3.name = "U";
  struct Row {
    int profiles;
    std::string laterProfileTag;
    std::string laterScheduleTag;
  };
  for (const Row& row : {Row{0, "", "01 80"}, Row{1, "", "03 80"}, Row{2, "01 80", "04 80"},
                         Row{3, "01 80", "05 80"}}) {
    SCOPED_TRACE(row.profiles);
    std::vector<ProfileInfo> profiles(static_cast<size_t>(row.profiles), profileA());
    std::string written = DataFile::write(profiles, {s1, s2, s3});
    std::string expected = hex("0" + std::to_string(row.profiles) + " 00");
    for (int i = 0; i < row.profiles; ++i) {
      expected += (i == 0 ? kProfileTag : hex(row.laterProfileTag)) + kProfileABody;
    }
    expected += hex("03 00");
    for (const ScheduleInfo* s : {&s1, &s2, &s3}) {
      expected += (s == &s1 ? kScheduleTag : hex(row.laterScheduleTag));
      expected += hex("01 00 00 00 02 00 00 00") + le32(s->start) + le32(s->end) + hex("01") +
                  s->name + hex("02 00 00 00 01 00 00 00 01 41 10 0E 00 00");
    }
    EXPECT_EQ(written, expected);
    auto read = DataFile::read(written);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.profiles, profiles);
    EXPECT_EQ(read.schedules, (std::vector<ScheduleInfo>{s1, s2, s3}));
  }
}

TEST(DataFile, TextLengthForms) {
  struct Row {
    size_t length;
    std::string prefix;
  };
  for (const Row& row : {Row{0, "00"}, Row{254, "FE"}, Row{255, "FF FF 00"}, Row{300, "FF 2C 01"},
                         Row{0xFFFD, "FF FD FF"}, Row{0xFFFE, "FF FF FF FE FF 00 00"},
                         Row{70000, "FF FF FF 70 11 01 00"}}) {
    SCOPED_TRACE(row.length);
    ProfileInfo p = profileA();
    p.password = std::string(row.length, 'p');
    std::string written = DataFile::write({p}, {});
    // name, address and userId come before the password: 2 + 4 + 2 bytes.
    size_t at = 2 + kProfileTag.size() + 8;
    std::string prefix = hex(row.prefix);
    EXPECT_EQ(written.substr(at, prefix.size()), prefix);
    EXPECT_EQ(written.substr(at + prefix.size(), row.length), p.password);
    auto read = DataFile::read(written);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.profiles.at(0), p);
  }
}

TEST(DataFile, TextsAreCodePage932WhenPossibleElseUtf16) {
  ProfileInfo p = profileA();
  p.name = "あ";                           // code page 932: 82 A0
  p.address = "\xF0\x9F\x98\x80";          // an emoji: only UTF-16 holds it
  p.userId = "ｱ\xE2\x84\xA2";              // half-width katakana and a trade mark sign
  p.password = "£";  // the converter would turn it into the full-width pound sign
  std::string written = DataFile::write({p}, {});
  std::string expected = hex("01 00") + kProfileTag + hex("02 82 A0") +
                         hex("FF FE FF 02 3D D8 00 DE") +
                         hex("FF FE FF 02 71 FF 22 21") + hex("FF FE FF 01 A3 00");
  EXPECT_EQ(written.substr(0, expected.size()), expected);
  auto read = DataFile::read(written);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.profiles.at(0), p);
}

TEST(DataFile, ReadsUtf16TextsWithEveryLengthForm) {
  std::string body = hex("00 00 00 00 0A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  struct Row {
    std::string name;
    std::string expected;
  };
  std::string long16;
  for (int i = 0; i < 300; ++i) long16 += hex("42 30");  // 300 x "あ"
  std::string longUtf8;
  for (int i = 0; i < 300; ++i) longUtf8 += "あ";
  for (const Row& row : {Row{hex("FF FE FF 01 42 30"), "あ"},
                         Row{hex("FF FE FF FF 2C 01") + long16, longUtf8},
                         Row{hex("FF FE FF FF FF FF 2C 01 00 00") + long16, longUtf8},
                         Row{hex("FF FE FF 02 00 D8 41 00"), "\xEF\xBF\xBD" "A"}}) {
    std::string file = hex("01 00") + kProfileTag + row.name + hex("00 00 00 00") + body +
                       hex("00 00");
    auto read = DataFile::read(file);
    ASSERT_TRUE(read.ok()) << DataFile::errorName(read.error) << " at " << read.offset;
    EXPECT_EQ(read.profiles.at(0).name, row.expected);
  }
}

TEST(DataFile, UndecodableCodePage932BytesBecomeReplacementCharacters) {
  std::string body = hex("15 00 00 00 00 00 00 00 0A 00 00 00 00 00 00 "
                         "00 00 00 00 00 00 00 00");
  std::string file = hex("01 00") + kProfileTag + hex("03 41 80 42 00 00 00 00") + body + hex("00 00");
  auto read = DataFile::read(file);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.profiles.at(0).name, "A\xEF\xBF\xBD" "B");
}

TEST(DataFile, SchemaOneProfileLoadsWithDefaultsAndIsWrittenAsSchemaTwo) {
  // keepBuffers 1, bufferClipCount 7, useDialup 1; no port, no passive mode.
  std::string file = hex("01 00 FF FF 01 00 0C 00 'CFTPInfoItem' 01 41 03 66 74 70 01 75 "
                         "00 00 01 00 00 00 07 00 00 00 01 45 00 00 01 00 00 00 00 00");
  auto read = DataFile::read(file);
  ASSERT_TRUE(read.ok()) << DataFile::errorName(read.error) << " at " << read.offset;
  ASSERT_EQ(read.profiles.size(), 1u);
  const ProfileInfo& p = read.profiles[0];
  EXPECT_EQ(p.port, 21);
  EXPECT_EQ(p.passiveMode, 0);
  EXPECT_EQ(p.keepBuffers, 1);
  EXPECT_EQ(p.bufferClipCount, 7);
  EXPECT_EQ(p.dialupEntry, "E");
  EXPECT_EQ(p.useDialup, 1);
  std::string rewritten = DataFile::write(read.profiles, {});
  EXPECT_EQ(rewritten.substr(2, kProfileTag.size()), kProfileTag);
  EXPECT_EQ(DataFile::read(rewritten).profiles, read.profiles);
}

TEST(DataFile, LargeCountsAndClassIndicesUseTheirEscapes) {
  // 65535 profiles: the count needs the 32-bit form, and the schedule class
  // then has index 65537, beyond what a tag word holds.
  std::vector<ProfileInfo> profiles(0xFFFF, profileA());
  ScheduleInfo s = dailyStillS();
  std::string written = DataFile::write(profiles, {s, s});
  EXPECT_EQ(written.substr(0, 6), hex("FF FF FF FF 00 00"));
  // Every profile after the first is tagged 0x8001.
  size_t second = 6 + kProfileTag.size() + kProfileABody.size();
  EXPECT_EQ(written.substr(second, 2), hex("01 80"));
  size_t schedules = 6 + kProfileTag.size() + kProfileABody.size() +
                     (0xFFFE) * (2 + kProfileABody.size());
  EXPECT_EQ(written.substr(schedules, 2 + kScheduleTag.size()), hex("02 00") + kScheduleTag);
  size_t secondSchedule = schedules + 2 + kScheduleTag.size() + 32;
  // 7FFF then 0x80000000 | 65537.
  EXPECT_EQ(written.substr(secondSchedule, 6), hex("FF 7F 01 00 01 80"));
  auto read = DataFile::read(written);
  ASSERT_TRUE(read.ok()) << DataFile::errorName(read.error) << " at " << read.offset;
  EXPECT_EQ(read.profiles.size(), 0xFFFFu);
  EXPECT_EQ(read.schedules, (std::vector<ScheduleInfo>{s, s}));
}

TEST(DataFile, ClassIndexEscapeStartsAt0x7FFF) {
  // 0x7FFC profiles: the schedule class is index 0x7FFE (last short tag);
  // one profile more makes it 0x7FFF (the escape).
  for (size_t n : {size_t{0x7FFC}, size_t{0x7FFD}}) {
    std::vector<ProfileInfo> profiles(n, profileA());
    ScheduleInfo s = dailyStillS();
    std::string written = DataFile::write(profiles, {s, s});
    size_t schedules = 2 + kProfileTag.size() + kProfileABody.size() + (n - 1) * (2 + kProfileABody.size());
    size_t secondSchedule = schedules + 2 + kScheduleTag.size() + 32;
    EXPECT_EQ(written.substr(secondSchedule, n == 0x7FFC ? 2 : 6),
              n == 0x7FFC ? hex("FE FF") : hex("FF 7F FF 7F 00 80"));
    EXPECT_EQ(DataFile::read(written).schedules.size(), 2u);
  }
}

TEST(DataFile, TrailingBytesAreIgnoredButCounted) {
  auto read = DataFile::read(hex("00 00 00 00 12 34"));
  EXPECT_TRUE(read.ok());
  EXPECT_EQ(read.trailingBytes, 2u);
}

// Every reading rule, with the offset where reading stops and what was read
// before the fault.
TEST(DataFile, ReadingRulesRejectDamagedFiles) {
  const std::string good = hex("02 00") + kProfileTag + kProfileABody;  // count 2, first profile
  const size_t afterFirst = good.size();
  struct Row {
    const char* what;
    std::string bytes;
    DataFileError error;
    std::uint64_t offset;
    size_t profiles;
  };
  const Row rows[] = {
      {"empty file", "", DataFileError::EndOfFile, 0, 0},
      {"half a count", hex("01"), DataFileError::EndOfFile, 0, 0},
      {"missing schedule list", hex("00 00"), DataFileError::EndOfFile, 2, 0},
      {"big count cut short", hex("FF FF 01 00"), DataFileError::EndOfFile, 2, 0},
      {"second profile missing", good, DataFileError::EndOfFile, afterFirst, 1},
      {"4 GB text length", good + hex("01 80 FF FF FF FF FF FF 7F") + std::string(40, 'x'),
       DataFileError::EndOfFile, afterFirst + 9, 1},
      {"4 GB UTF-16 length", good + hex("01 80 FF FE FF FF FF FF FF FF FF 7F") + std::string(40, 'x'),
       DataFileError::EndOfFile, afterFirst + 12, 1},
      {"4 billion objects", hex("FF FF FF FF FF FF") + kProfileTag + kProfileABody,
       DataFileError::EndOfFile, 6 + kProfileTag.size() + kProfileABody.size(), 1},
      {"unknown class", hex("01 00 FF FF 02 00 04 00 'CFoo'"), DataFileError::BadClass, 2, 0},
      {"class name of 64 bytes", hex("01 00 FF FF 02 00 40 00") + std::string(64, 'C'),
       DataFileError::BadClass, 2, 0},
      {"schedule in the profile list", hex("01 00") + kScheduleTag, DataFileError::BadClass, 2, 0},
      {"profile in the schedule list", hex("00 00 01 00") + kProfileTag, DataFileError::BadClass, 4, 0},
      {"schedule schema 2", hex("00 00 01 00 FF FF 02 00 0D 00 'CScheInfoItem'"),
       DataFileError::BadSchema, 4, 0},
      {"profile schema 3", hex("01 00 FF FF 03 00 0C 00 'CFTPInfoItem'"), DataFileError::BadSchema, 2, 0},
      {"profile schema 0", hex("01 00 FF FF 00 00 0C 00 'CFTPInfoItem'"), DataFileError::BadSchema, 2, 0},
      {"unassigned class index", good + hex("05 80"), DataFileError::BadIndex, afterFirst, 1},
      {"class index of an object", good + hex("02 80"), DataFileError::BadIndex, afterFirst, 1},
      {"object reference", good + hex("02 00"), DataFileError::BadIndex, afterFirst, 1},
      {"null object", good + hex("00 00"), DataFileError::BadIndex, afterFirst, 1},
      {"big object reference", good + hex("FF 7F 02 00 00 00"), DataFileError::BadIndex, afterFirst, 1},
      {"big unassigned class index", good + hex("FF 7F 09 00 00 80"), DataFileError::BadIndex, afterFirst, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    auto read = DataFile::read(row.bytes);
    EXPECT_EQ(read.error, row.error) << DataFile::errorName(read.error);
    EXPECT_EQ(read.offset, row.offset);
    EXPECT_EQ(read.profiles.size(), row.profiles);
  }
}

TEST(DataFile, BigClassTagForAKnownClassIsAccepted) {
  std::string file = hex("02 00") + kProfileTag + kProfileABody + hex("FF 7F 01 00 00 80") +
                     kProfileABody + hex("00 00");
  auto read = DataFile::read(file);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.profiles.size(), 2u);
}

}  // namespace
}  // namespace karone
