// Every kept fuzz input (valid files written by the store and the inputs
// that once crashed or misread) goes through the reader in the normal suite.
#include <gtest/gtest.h>

#include <filesystem>

#include "schedule/DataFile.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

TEST(DataFileCorpus, EveryKeptInputReadsAndWhatReadsRoundTrips) {
  std::filesystem::path folder =
      std::filesystem::path(KARONE_SOURCE_DIR) / "tests/fuzz/corpus/datafile";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    std::string bytes = testing::readFile(entry.path().string());
    DataFileReadResult first = DataFile::read(bytes);
    EXPECT_LE(first.offset, bytes.size());
    std::string written = DataFile::write(first.profiles, first.schedules);
    DataFileReadResult second = DataFile::read(written);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.profiles, first.profiles);
    EXPECT_EQ(second.schedules, first.schedules);
    EXPECT_EQ(DataFile::write(second.profiles, second.schedules), written);
    // Files the store wrote come back byte for byte.
    if (entry.path().extension() == ".zrd" && entry.path().stem() != "schema1-profile") {
      EXPECT_TRUE(first.ok());
      EXPECT_EQ(written, bytes);
    }
  }
  EXPECT_GE(files, 4);
}

}  // namespace
}  // namespace karone
