#include "platform/threads/Mutex.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/threads/CountingSemaphore.h"

namespace karone {
namespace {

// Whether another thread could take the lock right now (it lets go again).
bool freeForOthers(Mutex& mutex) {
  bool got = false;
  std::thread other([&] {
    got = mutex.Lock(0);
    if (got) mutex.unlock();
  });
  other.join();
  return got;
}

// A thread that holds a lock until the object goes.
class Holder {
 public:
  explicit Holder(Mutex& mutex) {
    held_.Create(0);
    letGo_.Create(0);
    thread_ = std::thread([this, &mutex] {
      mutex.Lock(Mutex::kNoTimeLimit);
      held_.Release();
      letGo_.Wait();
      mutex.unlock();
    });
    held_.Wait();
  }
  ~Holder() {
    letGo_.Release();
    thread_.join();
  }

 private:
  CountingSemaphore held_;
  CountingSemaphore letGo_;
  std::thread thread_;
};

TEST(Mutex, OnlyTheLowByteOfTheInitiallyOwnedFlagCounts) {
  struct Row {
    int initiallyOwned;
    bool owned;
  };
  for (Row row : {Row{0, false}, Row{1, true}, Row{0x100, false}, Row{0x101, true},
                  Row{0xFF, true}, Row{-256, false}}) {
    SCOPED_TRACE(row.initiallyOwned);
    Mutex mutex;
    ASSERT_TRUE(mutex.Create(row.initiallyOwned).valid());
    EXPECT_EQ(freeForOthers(mutex), !row.owned);
    EXPECT_EQ(mutex.unlock(), row.owned);  // only an owner can release
    EXPECT_TRUE(freeForOthers(mutex));
  }
}

TEST(Mutex, AbandonedByAnEndedThreadCountsAsObtainedAndStaysUsable) {
  Mutex mutex;
  mutex.Create(0);
  std::thread([&] {
    ASSERT_TRUE(mutex.Lock(Mutex::kNoTimeLimit));
    ASSERT_TRUE(mutex.Lock(0));  // twice, and never released
  }).join();

  EXPECT_TRUE(mutex.Lock(Mutex::kNoTimeLimit));
  EXPECT_FALSE(freeForOthers(mutex));
  EXPECT_TRUE(mutex.unlock());
  EXPECT_FALSE(mutex.unlock());  // the dead thread's second hold is gone
  EXPECT_TRUE(freeForOthers(mutex));
}

TEST(Mutex, TimesOutWhileAnotherThreadHoldsIt) {
  Mutex mutex;
  mutex.Create(0);
  {
    Holder holder(mutex);
    EXPECT_FALSE(mutex.Lock(0));
    EXPECT_FALSE(mutex.Lock(3));
    EXPECT_FALSE(mutex.unlock());  // not ours
  }
  EXPECT_TRUE(mutex.Lock(3));
  EXPECT_TRUE(mutex.unlock());
}

TEST(Mutex, IsRecursiveForItsOwner) {
  Mutex mutex;
  mutex.Create(1);
  EXPECT_TRUE(mutex.Lock(0));
  EXPECT_TRUE(mutex.Lock(Mutex::kNoTimeLimit));
  EXPECT_TRUE(mutex.unlock());
  EXPECT_TRUE(mutex.unlock());
  EXPECT_FALSE(freeForOthers(mutex));  // the initial hold is still there
  EXPECT_TRUE(mutex.unlock());
  EXPECT_TRUE(freeForOthers(mutex));
}

TEST(Mutex, WaitsForTheHolderWithoutLimit) {
  Mutex mutex;
  mutex.Create(1);
  bool got = false;
  std::thread waiter([&] {
    got = mutex.Lock(Mutex::kNoTimeLimit);
    mutex.unlock();
  });
  mutex.unlock();
  waiter.join();
  EXPECT_TRUE(got);
}

TEST(Mutex, EmptyOrClosedFailsAndClosingIsSafeInEveryState) {
  Mutex empty;
  EXPECT_FALSE(empty.Lock(0));
  EXPECT_FALSE(empty.unlock());

  Mutex ownHeld;
  ownHeld.Create(1);
  ownHeld.Lock(0);
  ownHeld.Close();  // gives up both holds
  EXPECT_FALSE(ownHeld.valid());
  EXPECT_FALSE(ownHeld.Lock(0));
  EXPECT_TRUE(ownHeld.Create(0).valid());
  EXPECT_TRUE(freeForOthers(ownHeld));

  Mutex otherHeld;
  otherHeld.Create(0);
  {
    Holder holder(otherHeld);
    otherHeld.Close();  // neither blocks nor frees what the holder uses
    EXPECT_FALSE(otherHeld.Lock(0));
  }
}

}  // namespace
}  // namespace karone
