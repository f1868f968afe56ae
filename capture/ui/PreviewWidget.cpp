#include "capture/ui/PreviewWidget.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QPainter>
#include <utility>

namespace karone {

PreviewWidget::PreviewWidget(TaskRunner& windowThread, QWidget* parent)
    : QWidget(parent),
      windowThread_(windowThread),
      self_(this),
      interval_(timers_.createTimer([this] { intervalOver(); })) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

PreviewWidget::~PreviewWidget() = default;

void PreviewWidget::presentFrame(const FrameRef& frame) {
  if (frame == nullptr || frame->width() <= 0 || frame->height() <= 0) return;
  FrameRef replaced = frame;
  {
    std::lock_guard lock(mutex_);
    replaced.swap(pending_);
  }
  // A frame never painted is let go here, unconverted.
  replaced.reset();
  ++presented_;
  if (!repaintAsked_.exchange(true)) {
    ++requested_;
    windowThread_.post([self = self_] {
      if (self) self->repaintNow();  // unless the widget has gone meanwhile
    });
  }
}

void PreviewWidget::repaintNow() {
  // Within the interval, the repaint stays asked for (no further posts)
  // and its end paints the newest frame.
  if (interval_->active()) return;
  repaintAsked_ = false;
  update();
}

void PreviewWidget::intervalOver() {
  if (repaintAsked_) repaintNow();
}

void PreviewWidget::clear() {
  FrameRef dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(pending_);
  }
  shown_.reset();
  fittedCurrent_ = false;
  update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  FrameRef fresh;
  {
    std::lock_guard lock(mutex_);
    fresh.swap(pending_);
  }
  if (fresh != nullptr) {
    shown_ = std::move(fresh);
    fittedCurrent_ = false;
    interval_->startOnce(1000 / kPaintsPerSecond);
  }
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (shown_ == nullptr) return;
  const FrameView view = shown_->pixels();
  if (view.data == nullptr) return;
  // The frame is fitted into the widget's own pixels once, straight from
  // its bytes, and drawn unscaled.
  const qreal ratio = devicePixelRatioF();
  const QSize fitted = QSize(view.width, view.height).scaled(size(), Qt::KeepAspectRatio);
  const QSize pixels = (QSizeF(fitted) * ratio).toSize();
  if (pixels.isEmpty()) return;
  if (fitted_.size() != pixels) {
    fitted_ = QImage(pixels, QImage::Format_RGB32);
    fittedCurrent_ = false;
  }
  if (!fittedCurrent_) {
    fitted_.setDevicePixelRatio(ratio);
    scaler_.scale(view, reinterpret_cast<std::uint32_t*>(fitted_.bits()), pixels.width(),
                  pixels.height(), static_cast<std::size_t>(fitted_.bytesPerLine()) / 4);
    fittedCurrent_ = true;
  }
  painter.drawImage(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                    fitted_);
  ++painted_;
}

void PreviewWidget::contextMenuEvent(QContextMenuEvent* event) {
  emit contextMenuRequested(event->globalPos());
  event->accept();
}

}  // namespace karone
