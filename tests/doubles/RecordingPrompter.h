#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace karone {

// Any thread.
// Records every question and answers from a queue (then with the default:
// Ok for Ok boxes, Yes for Yes/No, Ok for Ok/Cancel).
class RecordingPrompter final : public Prompter {
 public:
  struct Prompt {
    std::string text;
    std::string caption;
    PromptButtons buttons;
    PromptIcon icon;
  };

  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;
  void queueAnswer(PromptAnswer answer);
  std::vector<Prompt> prompts() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::deque<PromptAnswer> answers_;
  std::vector<Prompt> prompts_;
};

}  // namespace karone
