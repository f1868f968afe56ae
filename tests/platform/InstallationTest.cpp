// Where the programs find their own files, and what asks for the version.
#include "platform/Installation.h"

#include <gtest/gtest.h>

namespace karone::installation {
namespace {

TEST(Installation, ProgramFilesFollowTheExecutableUnlessItRunsInTheBuildTree) {
  struct Case {
    const char* executable;
    const char* buildTree;
    const char* expected;
  } cases[] = {
      {"/usr/bin/karone-ftp", "/src/build/dev", "/usr/share/karone-server/"},
      // Moved to another prefix: the files moved with it.
      {"/opt/karone/bin/karone-ftp", "/src/build/dev", "/opt/karone/share/karone-server/"},
      {"/src/build/dev/tools/karone_ftp/karone-ftp", "/src/build/dev", "/src/"},
      {"/src/build/dev/tools/karone_ftp/karone-ftp", "/src/build/dev/", "/src/"},
      // A folder whose name only starts like the build tree is not inside it.
      {"/src/build/dev2/bin/karone-ftp", "/src/build/dev", "/src/build/dev2/share/karone-server/"},
      // A build made only for installing knows no build tree.
      {"/src/build/dev/bin/karone-ftp", "", "/src/build/dev/share/karone-server/"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(programFilesDirFor(c.executable, c.buildTree, "/src", "../share/karone-server"),
              c.expected)
        << c.executable << " built in " << c.buildTree;
}

TEST(Installation, VersionIsAskedForBeforeTheEndOfOptionsOnly) {
  EXPECT_TRUE(asksForVersion({"--version"}));
  EXPECT_TRUE(asksForVersion({"check", "live", "--version"}));
  EXPECT_FALSE(asksForVersion({"send", "live", "--", "--version"}));
  EXPECT_FALSE(asksForVersion({"--versions"}));
  EXPECT_EQ(versionLine("karone-ftp"), std::string("karone-ftp ") + version());
}

}  // namespace
}  // namespace karone::installation
