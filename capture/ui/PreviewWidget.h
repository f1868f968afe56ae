#pragma once
// The live picture of the running capture device, painted scaled to fit the
// widget with its proportions kept (black where the picture does not
// reach), and the capture window's right-click. A frame is fitted once,
// by averaging (PreviewScaler), on the window thread when it is painted.
//
// The device's streaming thread calls presentFrame for every frame. It only
// puts the frame (shared with the grabber, not copied) in the one pending
// place, under a lock that either side holds just long enough to swap a
// pointer, and, unless a repaint is already on its way, posts one to the
// window thread's task runner. So repaints coalesce, the streaming thread
// never waits for painting, a painted picture is always one whole frame,
// frames the window had no time for are never converted or scaled, and the
// one that is painted is converted to BGR once for the preview and the
// grabber together. New frames are painted at most kPaintsPerSecond times a
// second: a frame that comes sooner waits for the rest of that interval (and
// is replaced by a newer one meanwhile), so a 30-frame camera costs the
// window half its painting while the picture stays fluid.
//
// Threads: presentFrame on the streaming thread; everything else on the
// window thread. The device must be stopped (no presentFrame running or to
// come) before the widget is destroyed.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <cstdint>
#include <mutex>

#include "capture/PreviewScaler.h"
#include "platform/CameraFormat.h"
#include "platform/PreviewSink.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "platform/ui/QtTimerService.h"
#include "platform/VideoFrame.h"

namespace karone {

class PreviewWidget final : public QWidget, public PreviewSink {
  Q_OBJECT

 public:
  // `windowThread` runs tasks on the thread that owns the widget and
  // outlives it.
  explicit PreviewWidget(TaskRunner& windowThread, QWidget* parent = nullptr);
  static constexpr int kPaintsPerSecond = kPreviewFramesPerSecond;
  ~PreviewWidget() override;

  void presentFrame(const FrameRef& frame) override;

  // Window thread: drops the picture; the widget shows black until the next
  // frame (when the preview is switched off).
  void clear();

  // For tests and benchmarks: frames presented, repaints asked for, and
  // frames painted so far.
  std::uint64_t framesPresented() const { return presented_.load(); }
  std::uint64_t repaintsRequested() const { return requested_.load(); }
  std::uint64_t framesPainted() const { return painted_; }

 signals:
  // Right button over the preview, at this screen position.
  void contextMenuRequested(const QPoint& globalPosition);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void repaintNow();
  // The interval after a new frame was painted has passed.
  void intervalOver();

  TaskRunner& windowThread_;
  const QPointer<PreviewWidget> self_;  // the repaint task's way back
  std::mutex mutex_;
  FrameRef pending_;  // guarded by mutex_: the newest frame not yet painted
  std::atomic<bool> repaintAsked_{false};
  std::atomic<std::uint64_t> presented_{0};
  std::atomic<std::uint64_t> requested_{0};

  FrameRef shown_;  // window thread: the frame painted
  QImage fitted_;     // window thread: shown_ fitted to the widget
  bool fittedCurrent_ = false;  // window thread: fitted_ shows shown_
  PreviewScaler scaler_;
  QtTimerService timers_;
  // Window thread: runs once for 1 / kPaintsPerSecond s after a new frame
  // was painted; a repaint asked for meanwhile waits for its end.
  std::unique_ptr<Timer> interval_;
  std::uint64_t painted_ = 0;
};

}  // namespace karone
