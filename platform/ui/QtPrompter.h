#pragma once
// Message boxes for the operator: the text, the caption, the buttons and the
// icon asked for, modal over the window, in the dialog font, with Japanese
// button labels. The first button is the default; Esc answers No or Cancel
// (Ok when that is the only button).
//
// Threads: ask() from any thread. On the window thread the box runs at once;
// from another thread the question goes to the window thread through the
// task runner and the caller waits for the answer (the window thread never
// waits for a worker, so this cannot deadlock). When the window thread has
// shut its runner down, the caller gets the refusal at once instead: No,
// Cancel, or Ok for a box that only informs. askLater() (window thread)
// opens the box modal over its window without a loop of its own and answers
// when it is closed; a box whose window goes first answers the refusal.
#include <QPointer>
#include <QWidget>

#include "platform/Prompter.h"
#include "platform/TaskRunner.h"

class QMessageBox;

namespace karone {

class QtPrompter final : public Prompter {
 public:
  // windowThread: the runner of the thread that owns parent. parent may be
  // null or go away; boxes then have no parent.
  explicit QtPrompter(TaskRunner& windowThread, QWidget* parent = nullptr);

  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;
  void askLater(const std::string& text, const std::string& caption, PromptButtons buttons,
                PromptIcon icon, Answered answered) override;

  // Window thread only.
  void setParent(QWidget* parent);

  // The answer given when the question cannot be asked.
  static PromptAnswer refusal(PromptButtons buttons);
  // Window thread: the box ask() runs, set up but not shown (for tests and
  // for a caller that runs it its own way). answerOf() maps its result.
  static std::unique_ptr<QMessageBox> makeBox(const std::string& text, const std::string& caption,
                                              PromptButtons buttons, PromptIcon icon,
                                              QWidget* parent);
  static PromptAnswer answerOf(int standardButton, PromptButtons buttons);

 private:
  PromptAnswer askHere(const std::string& text, const std::string& caption,
                       PromptButtons buttons, PromptIcon icon);

  TaskRunner& windowThread_;
  QPointer<QWidget> parent_;
};

}  // namespace karone
