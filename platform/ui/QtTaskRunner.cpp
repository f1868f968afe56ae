#include "platform/ui/QtTaskRunner.h"

#include <QMetaObject>
#include <QObject>
#include <utility>

namespace karone {

QtTaskRunner::QtTaskRunner() : owner_(std::this_thread::get_id()), receiver_(new QObject) {}

QtTaskRunner::~QtTaskRunner() { shutDown(); }

bool QtTaskRunner::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    if (receiver_ != nullptr) {
      return QMetaObject::invokeMethod(
          receiver_, [run = std::move(task)]() { run(); }, Qt::QueuedConnection);
    }
  }
  // Refused: the task is destroyed here, outside the lock, whatever its
  // destructor does.
  return false;
}

bool QtTaskRunner::runsTasksOnCurrentThread() const {
  return std::this_thread::get_id() == owner_;
}

void QtTaskRunner::shutDown() {
  QObject* receiver = nullptr;
  {
    std::lock_guard lock(mutex_);
    receiver = std::exchange(receiver_, nullptr);
  }
  // No post reaches the receiver any more; deleting it outside the lock
  // lets the dropped tasks' destructors post (and be refused) freely.
  delete receiver;
}

}  // namespace karone
