#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

namespace karone {
namespace {

TEST(InstanceLock, OneHolderAtATimeAndTheRefusedOneLearnsWho) {
  testing::TempDir dir;
  EXPECT_FALSE(InstanceLock::heldBy(dir.path()).has_value());
  {
    InstanceLock first(dir.path(), "karone-server");
    ASSERT_TRUE(first.held()) << first.error();
    InstanceLock second(dir.path(), "karone-server");
    EXPECT_FALSE(second.held());
    ASSERT_TRUE(second.holder().has_value());
    EXPECT_EQ(second.holder()->pid, ::getpid());
    EXPECT_EQ(second.holder()->program, "karone-server");
    auto seen = InstanceLock::heldBy(dir.path());
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->pid, ::getpid());
  }
  InstanceLock again(dir.path(), "karone-store");
  EXPECT_TRUE(again.held()) << "released with its holder";
}

TEST(InstanceLock, AKilledHolderLeavesNoStaleLock) {
  testing::TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock(dir.path(), "karone-server");
    char c = lock.held() ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  {
    InstanceLock refused(dir.path(), "karone-server");
    EXPECT_FALSE(refused.held());
    ASSERT_TRUE(refused.holder().has_value());
    EXPECT_EQ(refused.holder()->pid, child);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  InstanceLock taken(dir.path(), "karone-server");
  EXPECT_TRUE(taken.held());
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace karone
