#include "platform/ui/QtPrompter.h"

#include <memory>

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/DialogFont.h"
#include "platform/ui/QtText.h"
#include "platform/ui/TitleWidth.h"
#include "resources/Texts.h"

namespace karone {
namespace {

QMessageBox::Icon iconOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtPrompter::QtPrompter(TaskRunner& windowThread, QWidget* parent)
    : windowThread_(windowThread), parent_(parent) {}

void QtPrompter::setParent(QWidget* parent) { parent_ = parent; }

PromptAnswer QtPrompter::refusal(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::YesNo: return PromptAnswer::No;
    case PromptButtons::OkCancel: return PromptAnswer::Cancel;
    case PromptButtons::Ok: break;
  }
  return PromptAnswer::Ok;
}

std::unique_ptr<QMessageBox> QtPrompter::makeBox(const std::string& text,
                                                 const std::string& caption,
                                                 PromptButtons buttons, PromptIcon icon,
                                                 QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(iconOf(icon), qs(caption), qs(text),
                                           QMessageBox::NoButton, parent);
  box->setFont(dialogFont());
  // Wide enough for the window manager to show the whole caption: the box
  // sizes itself from its layout, so the room goes in as a spacer.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(widthForTitle(box->windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  auto add = [&](QMessageBox::StandardButton which, Text label) {
    box->addButton(which)->setText(QString::fromUtf8(karone::text(label)));
  };
  switch (buttons) {
    case PromptButtons::YesNo:
      add(QMessageBox::Yes, Text::ButtonYes);
      add(QMessageBox::No, Text::ButtonNo);
      box->setDefaultButton(QMessageBox::Yes);
      box->setEscapeButton(QMessageBox::No);
      break;
    case PromptButtons::OkCancel:
      add(QMessageBox::Ok, Text::ButtonOk);
      add(QMessageBox::Cancel, Text::ButtonCancel);
      box->setDefaultButton(QMessageBox::Ok);
      box->setEscapeButton(QMessageBox::Cancel);
      break;
    case PromptButtons::Ok:
      add(QMessageBox::Ok, Text::ButtonOk);
      box->setDefaultButton(QMessageBox::Ok);
      box->setEscapeButton(QMessageBox::Ok);
      break;
  }
  return box;
}

PromptAnswer QtPrompter::answerOf(int standardButton, PromptButtons buttons) {
  switch (standardButton) {
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    default: return refusal(buttons);
  }
}

PromptAnswer QtPrompter::askHere(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon) {
  auto box = makeBox(text, caption, buttons, icon, parent_.data());
  int result = box->exec();
  return answerOf(result, buttons);
}

void QtPrompter::askLater(const std::string& text, const std::string& caption,
                          PromptButtons buttons, PromptIcon icon, Answered answered) {
  QMessageBox* box = makeBox(text, caption, buttons, icon, parent_.data()).release();
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Answered once: by the button that closed the box, or with the refusal
  // when the box goes without one (its window closed under it).
  auto pending = std::make_shared<Answered>(std::move(answered));
  auto answerOnce = [pending](PromptAnswer answer) {
    Answered call = std::move(*pending);
    *pending = nullptr;
    if (call) call(answer);
  };
  QObject::connect(box, &QMessageBox::finished, box, [answerOnce, buttons](int result) {
    answerOnce(answerOf(result, buttons));
  });
  QObject::connect(box, &QObject::destroyed, [answerOnce, buttons] {
    answerOnce(refusal(buttons));
  });
  box->setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
  box->show();
}

PromptAnswer QtPrompter::ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons, PromptIcon icon) {
  if (windowThread_.runsTasksOnCurrentThread()) return askHere(text, caption, buttons, icon);
  auto answer = runAndWait<PromptAnswer>(
      windowThread_, [=, this] { return askHere(text, caption, buttons, icon); });
  return answer.value_or(refusal(buttons));
}

}  // namespace karone
