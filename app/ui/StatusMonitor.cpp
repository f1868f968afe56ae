#include "app/ui/StatusMonitor.h"

#include <QContextMenuEvent>
#include <QFont>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {
namespace {

constexpr int kTextMargin = 2;  // pixels left of each line

}  // namespace

StatusMonitor::StatusMonitor(QWidget* parent)
    : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::NoFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  updateScrollBars();
}

int StatusMonitor::lineHeight() const { return QFontMetrics(font()).height(); }

int StatusMonitor::textWidth(const QString& text) const {
  return QFontMetrics(font()).horizontalAdvance(text);
}

int StatusMonitor::appendLine(const QString& line) {
  lines_.append(line);
  widest_ = std::max(widest_, textWidth(line) + 2 * kTextMargin);
  updateScrollBars();
  viewport()->update();
  return static_cast<int>(lines_.size()) - 1;
}

void StatusMonitor::removeFirstLine() {
  if (lines_.isEmpty()) return;
  lines_.removeFirst();
  updateScrollBars();
  viewport()->update();
}

void StatusMonitor::clear() {
  lines_.clear();
  updateScrollBars();
  viewport()->update();
}

void StatusMonitor::setHorizontalExtent(int pixels) {
  extent_ = std::max(0, pixels);
  updateScrollBars();
}

void StatusMonitor::scrollToEnd() {
  updateScrollBars();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

int StatusMonitor::topLine() const { return verticalScrollBar()->value(); }

void StatusMonitor::updateScrollBars() {
  const int visibleLines = std::max(1, viewport()->height() / lineHeight());
  verticalScrollBar()->setRange(0, std::max(0, lineCount() - visibleLines));
  verticalScrollBar()->setPageStep(visibleLines);
  verticalScrollBar()->setSingleStep(1);
  const int width = std::max(extent_, widest_);
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(std::max(1, QFontMetrics(font()).averageCharWidth()));
}

void StatusMonitor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  clientWidth_ = viewport()->width();
  updateScrollBars();
}

void StatusMonitor::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::Text));
  const int height = lineHeight();
  const int first = verticalScrollBar()->value();
  const int left = kTextMargin - horizontalScrollBar()->value();
  for (int i = first, y = 0; i < lineCount() && y < viewport()->height(); ++i, y += height) {
    painter.drawText(QRect(left, y, std::max(extent_, widest_) + viewport()->width(), height),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs,
                     lines_[i]);
  }
}

void StatusMonitor::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* clearAction = menu.addAction(qtext(Text::MainClearMonitor));
  clearAction->setObjectName("clearMonitorAction");
  if (menu.exec(event->globalPos()) == clearAction) {
    clear();
    emit cleared();
  }
  event->accept();
}

}  // namespace karone
