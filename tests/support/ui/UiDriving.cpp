#include "tests/support/ui/UiDriving.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <utility>

namespace karone::testing {

bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void whenModalShows(std::function<void(QWidget&)> act, std::chrono::milliseconds limit) {
  whenModalShows(QString(), std::move(act), limit);
}

void whenModalShows(const QString& objectName, std::function<void(QWidget&)> act,
                    std::chrono::milliseconds limit) {
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, limit, objectName, act = std::move(act)]() {
    QWidget* modal = QApplication::activeModalWidget();
    const bool shown = modal != nullptr && modal->isVisible() &&
                       (objectName.isEmpty() || modal->objectName() == objectName);
    if (shown || clock->elapsed() > limit.count()) {
      timer->stop();
      timer->deleteLater();
    }
    if (shown) act(*modal);
  });
  timer->start(5);
}

QAbstractButton* findButton(QWidget& w, const QString& text) {
  for (auto* button : w.findChildren<QAbstractButton*>()) {
    if (button->text().remove('&') == QString(text).remove('&')) return button;
  }
  return nullptr;
}

}  // namespace karone::testing
