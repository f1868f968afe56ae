#include "platform/ui/QtTimerService.h"

#include <QBasicTimer>
#include <QObject>
#include <QTimerEvent>
#include <algorithm>
#include <limits>
#include <utility>

namespace karone {
namespace {

class QtTimer final : public QObject, public Timer {
 public:
  explicit QtTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {}

  void start(std::int64_t periodMillis) override { run(periodMillis, false); }
  void startOnce(std::int64_t delayMillis) override { run(delayMillis, true); }
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }
  std::int64_t periodMillis() const override { return period_; }

 protected:
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() != timer_.timerId()) {
      QObject::timerEvent(event);
      return;
    }
    if (once_) timer_.stop();
    // The tick may stop, restart or even destroy this timer: call a copy
    // and touch nothing of this object afterwards.
    auto tick = onTick_;
    if (tick) tick();
  }

 private:
  void run(std::int64_t millis, bool once) {
    constexpr std::int64_t kLongest = std::numeric_limits<int>::max();
    period_ = std::clamp<std::int64_t>(millis, 1, kLongest);
    once_ = once;
    timer_.start(static_cast<int>(period_),
                 period_ <= QtTimerService::kPreciseUpToMillis ? Qt::PreciseTimer
                                                                : Qt::CoarseTimer,
                 this);
  }

  std::function<void()> onTick_;
  QBasicTimer timer_;
  std::int64_t period_ = 0;
  bool once_ = false;
};

}  // namespace

std::unique_ptr<Timer> QtTimerService::createTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimer>(std::move(onTick));
}

}  // namespace karone
