#pragma once
// The FTP status monitor: a list of log lines without selection. It scrolls
// up and down by lines and sideways as far as its horizontal extent, which
// only ever grows: to the extent it is given, and at least to its widest
// line, so the end of every line can be scrolled into view. The right
// button shows a menu with "クリヤー", which empties the list.
//
// The font is the one it inherits when made.
//
// Threads: window thread.
#include <QAbstractScrollArea>
#include <QStringList>

namespace karone {

class StatusMonitor final : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit StatusMonitor(QWidget* parent = nullptr);

  // Returns the index the line was added at.
  int appendLine(const QString& line);
  void removeFirstLine();
  void clear();
  int lineCount() const { return static_cast<int>(lines_.size()); }
  QString line(int index) const { return lines_.value(index); }
  void setHorizontalExtent(int pixels);
  int horizontalExtent() const { return extent_; }
  void scrollToEnd();
  // The first line shown.
  int topLine() const;

  int textWidth(const QString& text) const;
  int clientWidth() const { return clientWidth_; }

 signals:
  // "クリヤー" emptied the list.
  void cleared();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int lineHeight() const;
  void updateScrollBars();

  QStringList lines_;
  int extent_ = 0;   // as given
  int widest_ = 0;   // widest line held so far
  int clientWidth_ = 0;
};

}  // namespace karone
