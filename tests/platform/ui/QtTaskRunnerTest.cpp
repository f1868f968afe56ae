// The task runner on the Qt event loop with real worker threads.
#include "platform/ui/QtTaskRunner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/ui/UiDriving.h"

namespace karone {
namespace {

using testing::processEventsUntil;

TEST(QtTaskRunner, TasksFromOtherThreadsRunOnTheWindowThreadInPostingOrder) {
  QtTaskRunner runner;
  const auto owner = std::this_thread::get_id();
  std::vector<int> ran;
  std::atomic<bool> offThread{false};
  std::thread worker([&] {
    offThread = !runner.runsTasksOnCurrentThread();
    for (int i = 0; i < 100; ++i) {
      runner.post([&, i] {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        ran.push_back(i);
      });
    }
  });
  worker.join();
  EXPECT_TRUE(offThread);
  EXPECT_TRUE(runner.runsTasksOnCurrentThread());
  EXPECT_TRUE(ran.empty());  // nothing runs inside post()
  ASSERT_TRUE(processEventsUntil([&] { return ran.size() == 100; }));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
}

TEST(QtTaskRunner, AWorkerGetsItsAnswerWhileAModalDialogRunsItsOwnLoop) {
  QtTaskRunner runner;
  QDialog dialog;
  std::optional<int> got;
  std::thread worker;
  QTimer::singleShot(0, [&] {
    worker = std::thread([&] {
      got = runAndWait<int>(runner, [] { return 42; });
      runner.post([&] { dialog.accept(); });
    });
  });
  dialog.exec();  // the question is answered inside the dialog's loop
  worker.join();
  EXPECT_EQ(got, 42);
}

// Counts the tasks posted through it, so the test knows when a worker's
// question is queued.
class CountingRunner final : public TaskRunner {
 public:
  explicit CountingRunner(TaskRunner& inner) : inner_(inner) {}
  bool post(Task task) override {
    bool posted = inner_.post(std::move(task));
    ++posts;
    return posted;
  }
  bool runsTasksOnCurrentThread() const override { return inner_.runsTasksOnCurrentThread(); }
  std::atomic<int> posts{0};

 private:
  TaskRunner& inner_;
};

TEST(QtTaskRunner, ShutDownDropsQueuedTasksReleasesWaitersAndRefusesLaterPosts) {
  QtTaskRunner runner;
  CountingRunner counting(runner);
  bool ran = false;
  runner.post([&] { ran = true; });
  std::optional<int> got = 1;
  std::thread worker([&] { got = runAndWait<int>(counting, [] { return 5; }); });
  while (counting.posts == 0) std::this_thread::yield();
  runner.shutDown();  // the worker waits for an answer that never comes
  worker.join();
  EXPECT_FALSE(got.has_value());
  EXPECT_FALSE(runner.post([&] { ran = true; }));
  QApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace karone
