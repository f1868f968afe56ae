// The live preview fed from another thread, as the streaming thread feeds it.
#include "capture/ui/PreviewWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QSignalSpy>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/ui/QtTaskRunner.h"
#include "tests/support/ui/UiDriving.h"

namespace karone {
namespace {

using testing::processEventsUntil;

// A frame of one colour, with padding at the end of each row as devices
// deliver them.
struct SolidFrame {
  SolidFrame(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r)
      : width(width), height(height), stride(width * 3 + 16),
        bytes(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0x55) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        auto* p = bytes.data() + static_cast<std::size_t>(y * stride + x * 3);
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
    }
  }
  FrameView view() const { return FrameView{bytes.data(), width, height, stride}; }
  FrameRef shared() const { return CopiedFrame::of(view()); }
  int width, height, stride;
  std::vector<std::uint8_t> bytes;
};

TEST(PreviewWidget, PaintsTheFrameScaledToFitWithItsProportionsKept) {
  QtTaskRunner windowThread;
  PreviewWidget preview(windowThread);
  preview.resize(146, 147);
  preview.show();
  SolidFrame red(64, 48, 0, 0, 255);
  std::thread streaming([&] { preview.presentFrame(red.shared()); });
  streaming.join();
  ASSERT_TRUE(processEventsUntil([&] { return preview.framesPainted() >= 1; }));
  const QImage shot = preview.grab().toImage();
  // 4:3 in a square: a band of black above and below the picture.
  EXPECT_EQ(shot.pixelColor(73, 73), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(73, 2), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(73, 144), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(1, 73), QColor(255, 0, 0));

  // A wider widget: the same frame fitted again, with bands at the sides.
  preview.resize(200, 90);
  const QImage wide = preview.grab().toImage();
  EXPECT_EQ(wide.pixelColor(100, 45), QColor(255, 0, 0));
  EXPECT_EQ(wide.pixelColor(3, 45), QColor(0, 0, 0));
  EXPECT_EQ(wide.pixelColor(196, 45), QColor(0, 0, 0));

  preview.clear();
  EXPECT_EQ(preview.grab().toImage().pixelColor(73, 73), QColor(0, 0, 0));
}

TEST(PreviewWidget, RepaintsCoalesceAndEveryPaintedPictureIsOneWholeFrame) {
  QtTaskRunner windowThread;
  PreviewWidget preview(windowThread);
  preview.resize(120, 90);
  preview.show();
  // Two frames that differ in every byte: a picture mixing them is torn.
  SolidFrame dark(160, 120, 0x20, 0x20, 0x20);
  SolidFrame light(160, 120, 0xE0, 0xE0, 0xE0);
  constexpr int kFrames = 400;
  std::atomic<bool> done{false};
  std::thread streaming([&] {
    const FrameRef frames[2] = {dark.shared(), light.shared()};
    for (int i = 0; i < kFrames; ++i) preview.presentFrame(frames[i % 2]);
    done = true;
  });
  int torn = 0;
  int grabs = 0;
  while (!done) {
    QApplication::processEvents();
    const QImage shot = preview.grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7) {
      for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    }
    if (colours.size() > 1) ++torn;
    ++grabs;
  }
  streaming.join();
  ASSERT_TRUE(processEventsUntil([&] { return preview.repaintsRequested() > 0; }));
  EXPECT_EQ(torn, 0) << "of " << grabs << " pictures";
  EXPECT_EQ(preview.framesPresented(), static_cast<std::uint64_t>(kFrames));
  // Not one repaint per frame: a repaint is asked for only when none is on
  // its way.
  EXPECT_LE(preview.repaintsRequested(), preview.framesPresented());
  // The last frame is painted, at the latest when the paint interval ends.
  EXPECT_TRUE(processEventsUntil([&] {
    return preview.grab().toImage().pixelColor(60, 45) == QColor(0xE0, 0xE0, 0xE0);
  }));
}

TEST(PreviewWidget, ARepaintPostedForAWidgetThatHasGoneIsDropped) {
  QtTaskRunner windowThread;
  SolidFrame red(64, 48, 0, 0, 255);
  {
    PreviewWidget preview(windowThread);
    std::thread streaming([&] { preview.presentFrame(red.shared()); });
    streaming.join();
    EXPECT_EQ(preview.repaintsRequested(), 1u);
  }
  QApplication::processEvents();  // runs the repaint task; it must find no widget
}

TEST(PreviewWidget, TheRightButtonAsksForTheMenuAtTheScreenPosition) {
  QtTaskRunner windowThread;
  PreviewWidget preview(windowThread);
  preview.resize(100, 100);
  QSignalSpy spy(&preview, &PreviewWidget::contextMenuRequested);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 20), QPoint(310, 420));
  QApplication::sendEvent(&preview, &event);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toPoint(), QPoint(310, 420));
}

}  // namespace
}  // namespace karone
