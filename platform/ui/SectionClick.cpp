#include "platform/ui/SectionClick.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace karone {
namespace {

// Watches the field's line edit, which takes the clicks; by the release the
// press has put the cursor, and so the field's current section, under the
// pointer.
class SectionSelector final : public QObject {
 public:
  explicit SectionSelector(QDateTimeEdit& edit) : QObject(&edit), edit_(edit) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* line = qobject_cast<QLineEdit*>(watched);
    if (line == nullptr || event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
      return QObject::eventFilter(watched, event);
    }
    // The line edit finishes the click first (a click into a selection
    // clears it there); then the section under the pointer is selected.
    watched->event(event);
    if (!line->hasSelectedText() && edit_.currentSection() != QDateTimeEdit::NoSection) {
      edit_.setSelectedSection(edit_.currentSection());
    }
    return true;
  }

 private:
  QDateTimeEdit& edit_;
};

}  // namespace

void selectSectionOnClick(QDateTimeEdit& edit) {
  auto* line = edit.findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  if (line == nullptr) return;
  line->installEventFilter(new SectionSelector(edit));
}

}  // namespace karone
