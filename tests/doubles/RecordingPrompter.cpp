#include "tests/doubles/RecordingPrompter.h"

namespace karone {

PromptAnswer RecordingPrompter::ask(const std::string& text, const std::string& caption,
                                    PromptButtons buttons, PromptIcon icon) {
  std::lock_guard lock(mutex_);
  prompts_.push_back({text, caption, buttons, icon});
  if (!answers_.empty()) {
    PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
}

void RecordingPrompter::askLater(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon, Answered answered) {
  {
    std::lock_guard lock(mutex_);
    if (hold_) {
      prompts_.push_back({text, caption, buttons, icon});
      held_.push_back(std::move(answered));
      return;
    }
  }
  Prompter::askLater(text, caption, buttons, icon, std::move(answered));
}

void RecordingPrompter::holdLater(bool hold) {
  std::lock_guard lock(mutex_);
  hold_ = hold;
}

std::size_t RecordingPrompter::held() const {
  std::lock_guard lock(mutex_);
  return held_.size();
}

void RecordingPrompter::answerHeld(PromptAnswer answer) {
  Answered answered;
  {
    std::lock_guard lock(mutex_);
    if (held_.empty()) return;
    answered = std::move(held_.front());
    held_.pop_front();
  }
  if (answered) answered(answer);
}

void RecordingPrompter::queueAnswer(PromptAnswer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

std::vector<RecordingPrompter::Prompt> RecordingPrompter::prompts() const {
  std::lock_guard lock(mutex_);
  return prompts_;
}

void RecordingPrompter::clear() {
  std::lock_guard lock(mutex_);
  prompts_.clear();
  answers_.clear();
}

}  // namespace karone
