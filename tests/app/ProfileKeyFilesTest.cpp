// Key files of SFTP profiles in the settings, under keys named after them.
#include "app/ProfileKeyFiles.h"

#include <gtest/gtest.h>

#include "tests/doubles/MemorySettingsStorage.h"

namespace karone {
namespace {

TEST(ProfileKeyFiles, KeptUnderTheProfilesNameAndMovedWithIt) {
  EXPECT_EQ(profileKeyFileSetting("カメラ 1"), "SftpKeyFile/カメラ 1");
  EXPECT_EQ(profileKeyFileSetting("a=b%\t"), "SftpKeyFile/a%3Db%25%09");

  MemorySettingsStorage settings;
  EXPECT_EQ(readProfileKeyFile(settings, "cam"), "");
  ASSERT_TRUE(storeProfileKeyFile(settings, "cam", "/keys/cam"));
  EXPECT_EQ(readProfileKeyFile(settings, "cam"), "/keys/cam");
  ASSERT_TRUE(storeProfileKeyFile(settings, "roof", "/keys/cam", "cam"));
  EXPECT_EQ(readProfileKeyFile(settings, "roof"), "/keys/cam");
  EXPECT_EQ(readProfileKeyFile(settings, "cam"), "") << "a new profile of the old name has none";
  ASSERT_TRUE(storeProfileKeyFile(settings, "roof", ""));
  EXPECT_EQ(readProfileKeyFile(settings, "roof"), "");
}

}  // namespace
}  // namespace karone
