#include "app/ui/CaptionEdit.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QValidator>

#include "app/Caption.h"
#include "platform/TextCodec.h"

namespace karone {
namespace {

std::size_t bytesOf(const QString& text) { return textcodec::cp932Length(text.toStdString()); }

// Refuses a change that leaves the text over the limit, unless it makes the
// text no longer than it was (deleting from an over-long prompt is fine).
class CaptionValidator final : public QValidator {
 public:
  explicit CaptionValidator(QLineEdit& edit) : QValidator(&edit) {
    connect(&edit, &QLineEdit::textChanged, this, [this](const QString& now) { previous_ = now; });
  }
  State validate(QString& input, int&) const override {
    if (captionFits(input.toStdString())) return Acceptable;
    return bytesOf(input) <= bytesOf(previous_) ? Acceptable : Invalid;
  }

 private:
  QString previous_;  // the text before the change being validated
};

}  // namespace

CaptionEdit::CaptionEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new CaptionValidator(*this));
}

QString CaptionEdit::cutToLimit(const QString& text) {
  return QString::fromStdString(textcodec::truncateToCp932(text.toStdString(), kCaptionMaxBytes));
}

void CaptionEdit::focusInEvent(QFocusEvent* event) {
  // Focus the window hands back on activation is not the operator's doing.
  switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
      emit used();
      break;
    default:
      break;
  }
  QLineEdit::focusInEvent(event);
}

void CaptionEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit entered(cutToLimit(text()));
    event->accept();
    return;
  }
  emit used();
  if (event->matches(QKeySequence::Paste)) {
    pasteWithinLimit();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void CaptionEdit::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit used();
  QLineEdit::mousePressEvent(event);
}

void CaptionEdit::pasteWithinLimit() {
  if (isReadOnly()) return;
  QString pasted = QGuiApplication::clipboard()->text();
  pasted = pasted.section('\n', 0, 0).remove('\r');
  QString kept = text();
  if (hasSelectedText()) kept.remove(selectionStart(), selectedText().size());
  const std::size_t used = bytesOf(kept);
  if (used >= kCaptionMaxBytes) return;
  insert(QString::fromStdString(
      textcodec::truncateToCp932(pasted.toStdString(), kCaptionMaxBytes - used)));
}

}  // namespace karone
