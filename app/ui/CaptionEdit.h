#pragma once
// The caption entry: one line of at most 30 bytes of code page 932 text (a
// double-byte character counts 2). Typing that would go past the limit is
// refused; pasting inserts as much of the first pasted line as fits. Text
// set from outside (the prompt) is shown as it is, even when longer; nothing
// can be typed into such a text, but it can be shortened.
//
// Enter reports the text, cut to the limit (what becomes of a prompt still
// shown is the caller's to decide). The operator's use of the entry is
// reported before the edit handles it, so the prompt can be removed first:
// focus by mouse, Tab or shortcut, a left press, and any other key.
//
// Threads: window thread.
#include <QLineEdit>

namespace karone {

class CaptionEdit final : public QLineEdit {
  Q_OBJECT

 public:
  explicit CaptionEdit(QWidget* parent = nullptr);

  // The longest start of text within the limit.
  static QString cutToLimit(const QString& text);

 signals:
  void entered(const QString& text);
  void used();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void pasteWithinLimit();
};

}  // namespace karone
