#include "ftp/RemoteNames.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

TEST(RemoteNames, NamesCarryEightLowerCaseHexDigits) {
  EXPECT_EQ(motionFrameName(26), "motion_img_0000001a.jpg");
  EXPECT_EQ(motionFrameName(0), "motion_img_00000000.jpg");
  EXPECT_EQ(motionFrameName(0xFFFFFFFFu), "motion_img_ffffffff.jpg");
  EXPECT_EQ(motionFrameName(0xFFFFFFFFu + 1u), "motion_img_00000000.jpg");
  EXPECT_EQ(stillBackupName(kStillBackupPrefix, 0xABCDEFu), "still_img_bckp_00abcdef.jpg");
  EXPECT_EQ(remoteNameOf("/tmp/x/motion_img_0000001a.jpg"), "motion_img_0000001a.jpg");
  EXPECT_EQ(remoteNameOf("still_img_latest.jpg"), "still_img_latest.jpg");
}

TEST(RemoteNames, RecognitionIsExactBytewiseAndCaseSensitive) {
  struct Row {
    std::string name;
    BufferFileKind kind;
  };
  const Row rows[] = {
      {"motion_img_0000001a.jpg", BufferFileKind::Motion},
      {"motion_img_zzzzzzzz.jpg", BufferFileKind::Motion},  // any middle of the right length
      {"motion_img_0000001a.jpeg", BufferFileKind::None},
      {"motion_img_000001a.jpg", BufferFileKind::None},     // 22 bytes
      {"motion_img_000000001a.jpg", BufferFileKind::None},  // 25 bytes
      {"MOTION_IMG_0000001A.JPG", BufferFileKind::None},
      {"motion_img_0000001a.JPG", BufferFileKind::None},
      {"Motion_img_0000001a.jpg", BufferFileKind::None},
      {"still_img_latest.jpg", BufferFileKind::Still},
      {"still_img_bckp_0000001a.jpg", BufferFileKind::Still},
      {"still_img_abcdef.jpg", BufferFileKind::Still},  // 20 bytes: counts as still
      {"still_img_abcdefg.jpg", BufferFileKind::None},  // 21 bytes
      {"STILL_IMG_LATEST.JPG", BufferFileKind::None},
      {"still_img_latest.jpg ", BufferFileKind::None},
      {"currfrme.html", BufferFileKind::None},
      {"", BufferFileKind::None},
      // Hostile names: path separators and control bytes are never ours.
      {"motion_img_/../../.jpg", BufferFileKind::None},
      {"motion_img_../..//.jpg", BufferFileKind::None},
      {"motion_img_0000\r\n1a.jpg", BufferFileKind::None},
      {std::string("motion_img_0000\0001a.jpg", 23), BufferFileKind::None},
      {"still_img_\\latest.jpg", BufferFileKind::None},
      {"motion_img_" + std::string(240, 'a') + ".jpg", BufferFileKind::None},  // 255 bytes
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bufferFileKind(row.name), row.kind) << row.name;
  }
}

TEST(RemoteNames, RotationKeepsTheNewestStrips) {
  struct Row {
    std::string last;
    std::int32_t keep;
    std::optional<std::string> victim;
  };
  const Row rows[] = {
      {"motion_img_00000009.jpg", 10, std::nullopt},
      {"motion_img_0000000a.jpg", 10, "motion_img_00000000.jpg"},
      {"motion_img_0000001a.jpg", 10, "motion_img_00000010.jpg"},
      {"motion_img_0000001a.jpg", -1, std::nullopt},  // keep everything
      {"motion_img_0000001a.jpg", 0, std::nullopt},   // would delete the strip just published
      {"motion_img_0000001a.jpg", -5, std::nullopt},  // would delete a future strip
      // Large numbers compare as numbers, not as negative bit patterns.
      {"motion_img_fffffff0.jpg", 10, "motion_img_ffffffe6.jpg"},
      {"motion_img_80000000.jpg", 2, "motion_img_7ffffffe.jpg"},
      {"motion_img_ffffffff.jpg", 100, "motion_img_ffffff9b.jpg"},
      // Upper-case digits read as 0: 0000001A is 0x10.
      {"motion_img_0000001A.jpg", 10, "motion_img_00000006.jpg"},
      {"motion_img_0000001A.jpg", 17, std::nullopt},
      // Not a strip name: nothing is read past its end, nothing deleted.
      {"motion_img_1a.jpg", 2, std::nullopt},
      {"", 2, std::nullopt},
      {"still_img_latest.jpg", 2, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(rotationVictim(row.last, row.keep), row.victim) << row.last << " keep " << row.keep;
  }
}

TEST(RemoteNames, CountingAndBulkDeletionChooseOnlyExactMatches) {
  const std::vector<ListedName> listing = {
      {".", 16},
      {"..", 16},
      {"motion_img_00000001.jpg", 0},
      {"motion_img_00000002.jpg", 16},   // a directory of that name: never touched
      {"motion_img_00000003.jpg", 17},   // directory + read-only: not exactly a directory
      {"MOTION_IMG_0000001A.JPG", 0},
      {"still_img_latest.jpg", 0},
      {"still_img_bckp_00000004.jpg", 0x80},
      {"still_img_abcdef.jpg", 0},
      {"motion_img_/../../.jpg", 0},
      {"motion_img_0000\n01a.jpg", 0},
      {"index.html", 0},
  };
  auto files = findBufferFiles(listing);
  EXPECT_EQ(files.motion, (std::vector<std::string>{"motion_img_00000001.jpg",
                                                    "motion_img_00000003.jpg"}));
  EXPECT_EQ(files.still,
            (std::vector<std::string>{"still_img_latest.jpg", "still_img_bckp_00000004.jpg",
                                      "still_img_abcdef.jpg"}));
  EXPECT_EQ(namesToDelete(listing, BulkDeletion::MotionOnly), files.motion);
  EXPECT_EQ(namesToDelete(listing, BulkDeletion::Both),
            (std::vector<std::string>{"motion_img_00000001.jpg", "motion_img_00000003.jpg",
                                      "still_img_latest.jpg", "still_img_bckp_00000004.jpg",
                                      "still_img_abcdef.jpg"}));
}

TEST(RemoteNames, HugeHostileListingSelectsOnlyOwnFiles) {
  std::vector<ListedName> listing;
  listing.reserve(100000);
  for (std::uint32_t i = 0; i < 100000; ++i) {
    switch (i % 4) {
      case 0: listing.push_back({motionFrameName(i), 0}); break;
      case 1: listing.push_back({"MOTION_IMG_" + hex8(i) + ".JPG", 0}); break;
      case 2: listing.push_back({std::string(255, static_cast<char>('a' + i % 26)), 0}); break;
      case 3: listing.push_back({"motion_img_" + hex8(i).substr(0, 7) + "/.jpg", 0}); break;
    }
  }
  auto victims = namesToDelete(listing, BulkDeletion::Both);
  ASSERT_EQ(victims.size(), 25000u);
  for (const auto& name : victims) ASSERT_TRUE(isMotionBufferName(name)) << name;
  EXPECT_EQ(victims.front(), "motion_img_00000000.jpg");
  EXPECT_EQ(victims.back(), motionFrameName(99996));
}

// Which strips go when a session publishes its first strip: the window of
// the newest `keep` numbers, and nothing newer than the strip the page named
// before (a strip never published is unfinished or stale).
TEST(RemoteNames, StaleStripsOutsideTheWindowOrNeverPublished) {
  auto listing = [](std::initializer_list<std::uint32_t> numbers) {
    std::vector<ListedName> out;
    for (auto n : numbers) out.push_back({motionFrameName(n), 128});
    return out;
  };
  auto names = [](std::initializer_list<std::uint32_t> numbers) {
    std::vector<std::string> out;
    for (auto n : numbers) out.push_back(motionFrameName(n));
    return out;
  };
  struct Row {
    const char* name;
    std::vector<ListedName> listing;
    std::uint32_t newest;
    std::int32_t keep;
    std::optional<std::uint32_t> lastPublished;
    std::vector<std::string> stale;
  };
  const Row rows[] = {
      {"left outside the window", listing({1, 2, 5, 6, 8, 9, 10}), 10, 5, 9, names({1, 2, 5})},
      {"never published", listing({6, 7, 8, 9, 10}), 10, 5, 8, names({9})},
      {"no page to go by", listing({6, 7, 8, 9, 10}), 10, 5, std::nullopt, names({6, 7, 8, 9})},
      {"across the wrap", listing({0xfffffffc, 0xfffffffd, 0xffffffff, 0, 1}), 1, 4, 0,
       names({0xfffffffc, 0xfffffffd})},
      {"after a counter reset", listing({0x100, 0x101, 0xffffff00}), 0, 10, 0x101,
       names({0x100, 0x101, 0xffffff00})},
      {"rotation off keeps the published", listing({1, 2, 3, 4}), 4, -1, 2, names({3})},
      {"keep 0 is rotation off", listing({1, 2, 3, 4}), 4, 0, 3, names({})},
      {"newest only", listing({7}), 7, 5, std::nullopt, names({})},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(staleStrips(row.listing, row.newest, row.keep, row.lastPublished), row.stale)
        << row.name;
  }
  // Only our own names are ever chosen; non-canonical digits are not kept.
  std::vector<ListedName> hostile = {{"MOTION_IMG_00000009.JPG", 128},
                                     {"motion_img_00000009.jpg", 16},
                                     {"motion_img_0000/009.jpg", 128},
                                     {"motion_img_0000000A.jpg", 128},
                                     {"still_img_latest.jpg", 128},
                                     {"motion_img_00000009.jpg", 128}};
  EXPECT_EQ(staleStrips(hostile, 10, 5, 9),
            (std::vector<std::string>{"motion_img_0000000A.jpg"}));
}

}  // namespace
}  // namespace karone
