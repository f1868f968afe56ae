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
