#pragma once
// A DialEventRelay over a queue that the window thread empties with pump().
// The window thread is the thread that created the relay. relay() from
// another thread queues the delivery and waits until the window thread has
// run it; on the window thread it runs the delivery at once. After close()
// queued and later deliveries are dropped and nobody waits any more, so a
// service thread never hangs on a window thread that has gone.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/DialEventRelay.h"

namespace karone {

class QueuedDialEventRelay final : public DialEventRelay {
 public:
  QueuedDialEventRelay();

  void relay(const std::function<void()>& deliver) override;

  // Window thread: runs every queued delivery; returns how many ran.
  int pump();
  // Window thread: pumps until `done` is true, waiting for deliveries in
  // between. `done` runs under the relay's lock (it must not call the
  // relay); whoever makes it true from another thread calls wake() after.
  void pumpUntil(const std::function<bool()>& done);
  // Any thread: makes pumpUntil look at its condition again.
  void wake();
  // Any thread: drops what is queued and every later delivery.
  void close();

 private:
  struct Item {
    std::function<void()> deliver;
    std::shared_ptr<bool> done;  // shared: the waiter may leave after close()
  };

  const std::thread::id windowThread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  bool closed_ = false;
  unsigned wakes_ = 0;
};

}  // namespace karone
