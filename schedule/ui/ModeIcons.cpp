#include "schedule/ui/ModeIcons.h"

#include <QPainter>
#include <QPixmap>

namespace karone {
namespace {

constexpr int kSize = 16;

QPixmap blank() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

QIcon motionModeIcon() {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  // The film: a dark band with sprocket holes along both edges and two
  // frames between them.
  p.fillRect(0, 2, 16, 12, QColor(0x30, 0x30, 0x30));
  for (int x = 1; x < kSize; x += 3) {
    p.fillRect(x, 3, 2, 2, Qt::white);
    p.fillRect(x, 11, 2, 2, Qt::white);
  }
  p.fillRect(1, 6, 6, 4, QColor(0x40, 0x90, 0xe0));
  p.fillRect(9, 6, 6, 4, QColor(0x40, 0x90, 0xe0));
  return pixmap;
}

QIcon stillModeIcon() {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  // A picture in a frame: sky, sun, a hill.
  p.fillRect(1, 2, 14, 12, QColor(0x80, 0x50, 0x20));
  p.fillRect(2, 3, 12, 10, QColor(0x90, 0xc8, 0xf0));
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf0, 0xc0, 0x20));
  p.drawEllipse(QPointF(10.5, 6), 1.8, 1.8);
  p.setBrush(QColor(0x30, 0x90, 0x30));
  const QPointF hill[] = {{2, 13}, {6, 7.5}, {10, 13}};
  p.drawPolygon(hill, 3);
  return pixmap;
}

}  // namespace karone
