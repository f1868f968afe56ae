#include "app/ExitSequence.h"

#include "platform/ThreadCheck.h"
#include "resources/Texts.h"

namespace karone {

ExitSequence::ExitSequence(Parts parts)
    : parts_(std::move(parts)), poll_(parts_.timers.createTimer([this] { poll(); })) {}

void ExitSequence::exitCommand() {
  KARONE_CHECK_THREAD(parts_.owner);
  armed_ = true;
  if (parts_.pipeline.capturing()) {
    parts_.prompter.askLater(text(Text::ExitWhileCapturing), text(Text::ExitCaption),
                             PromptButtons::Ok, PromptIcon::Warning, nullptr);
    return;
  }
  if (started_) return;
  started_ = true;
  afterCapture_ = false;
  beginBudget();
  DialupLink& link = parts_.connection.link();
  if (link.WeDialled()) parts_.connection.hangUpOwnLine();
  parts_.countdown.stop(false);
  poll_->start(kPollMillis);
  parts_.view.showExitWait(true);
}

void ExitSequence::exitStoppingCapture() {
  KARONE_CHECK_THREAD(parts_.owner);
  armed_ = true;
  if (started_) return;
  beginBudget();
  if (parts_.pipeline.capturing()) parts_.stopCapture();
  if (!parts_.pipeline.capturing()) return exitCommand();
  // The stop takes effect on a later step: the poll exits then.
  afterCapture_ = true;
  poll_->start(kPollMillis);
}

void ExitSequence::poll() {
  if (afterCapture_) {
    if (parts_.pipeline.capturing()) return;
    poll_->stop();
    return exitCommand();
  }
  if (!parts_.pipeline.workerIdle() || !parts_.uploader.IsIdle()) return;
  DialupLink& link = parts_.connection.link();
  if (link.hangingUp()) return;
  parts_.pipeline.disableDevice();
  if (parts_.connection.connected()) {
    parts_.uploader.queue(upload::StoppedStatus{});
    parts_.uploader.queue(upload::Disconnect{});
    return;  // the rest on a later tick
  }
  poll_->stop();
  auto close = lifetime_.bind([this] {
    parts_.view.showExitWait(false);
    finish();
  });
  if (link.WeDialled() && link.handle() != kNoDialupHandle) {
    link.HangUp(close);
  } else if (link.ExistingConnectionInUse() && link.handle() != kNoDialupHandle) {
    parts_.prompter.askLater(text(Text::DialupHangUpQuestion), text(Text::DialupCaption),
                             PromptButtons::YesNo, PromptIcon::Question,
                             lifetime_.bind([this, close](PromptAnswer answer) {
                               if (answer == PromptAnswer::Yes) {
                                 parts_.connection.link().HangUp(close);
                               } else {
                                 close();
                               }
                             }));
  } else {
    close();
  }
}

void ExitSequence::beginBudget() {
  if (budgetBegun_) return;
  budgetBegun_ = true;
  parts_.uploader.beginExit(parts_.ftpBudgetMillis);
}

void ExitSequence::finish() {
  if (finished_) return;
  parts_.saveAndClose();
  // Last: the lines of the disconnect, the stopped page and the hang-up
  // above all reach the file.
  parts_.log.CloseLog();
  finished_ = true;
  parts_.view.closeWindow();
}

bool ExitSequence::closeRequested() {
  KARONE_CHECK_THREAD(parts_.owner);
  if (finished_) return true;
  if (!armed_) return false;
  // A close request while the exit is armed runs the orderly exit first;
  // settings and data are saved before the window may close.
  if (!parts_.pipeline.capturing() && !started_) exitCommand();
  return false;
}

}  // namespace karone
