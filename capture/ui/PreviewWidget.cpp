#include "capture/ui/PreviewWidget.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QPainter>
#include <cstring>
#include <utility>

namespace karone {

PreviewWidget::PreviewWidget(TaskRunner& windowThread, QWidget* parent)
    : QWidget(parent), windowThread_(windowThread), self_(this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

PreviewWidget::~PreviewWidget() = default;

void PreviewWidget::presentFrame(const FrameView& frame) {
  if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0) return;
  const std::size_t row = static_cast<std::size_t>(frame.width) * 3;
  {
    std::lock_guard lock(mutex_);
    if (pending_.width != frame.width || pending_.height != frame.height) {
      // Only when the device's size changes.
      pending_.width = frame.width;
      pending_.height = frame.height;
      pending_.pixels.resize(row * static_cast<std::size_t>(frame.height));
    }
    for (int y = 0; y < frame.height; ++y) {
      std::memcpy(pending_.pixels.data() + row * static_cast<std::size_t>(y),
                  frame.data + static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(y),
                  row);
    }
    fresh_ = true;
  }
  ++presented_;
  if (!repaintAsked_.exchange(true)) {
    ++requested_;
    windowThread_.post([self = self_] {
      if (self) self->repaintNow();  // unless the widget has gone meanwhile
    });
  }
}

void PreviewWidget::repaintNow() {
  repaintAsked_ = false;
  update();
}

void PreviewWidget::clear() {
  {
    std::lock_guard lock(mutex_);
    fresh_ = false;
  }
  shown_ = VideoFrame{};
  fittedCurrent_ = false;
  update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
  {
    std::lock_guard lock(mutex_);
    if (fresh_) {
      // The buffers change places; the streaming thread writes its next
      // frame into the one painted last time, of the same size.
      std::swap(pending_, shown_);
      fresh_ = false;
      fittedCurrent_ = false;
    }
  }
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (shown_.pixels.empty()) return;
  // The frame is fitted into the widget's own pixels once, straight from
  // its bytes, and drawn unscaled.
  const qreal ratio = devicePixelRatioF();
  const QSize fitted = QSize(shown_.width, shown_.height).scaled(size(), Qt::KeepAspectRatio);
  const QSize pixels = (QSizeF(fitted) * ratio).toSize();
  if (pixels.isEmpty()) return;
  if (fitted_.size() != pixels) {
    fitted_ = QImage(pixels, QImage::Format_RGB32);
    fittedCurrent_ = false;
  }
  if (!fittedCurrent_) {
    fitted_.setDevicePixelRatio(ratio);
    scaler_.scale(shown_.view(), reinterpret_cast<std::uint32_t*>(fitted_.bits()), pixels.width(),
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
