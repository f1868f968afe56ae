#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace karone {

// Any thread.
// Records every question and answers from a queue (then with the default:
// Ok for Ok boxes, Yes for Yes/No, Ok for Ok/Cancel). With holdLater(true)
// a question asked with askLater stays open, as a box on the screen would,
// until the test answers it with answerHeld (on the owner's thread).
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
  void askLater(const std::string& text, const std::string& caption, PromptButtons buttons,
                PromptIcon icon, Answered answered) override;
  void queueAnswer(PromptAnswer answer);
  void holdLater(bool hold);
  // Questions asked later and not yet answered.
  std::size_t held() const;
  // Answers the oldest open question.
  void answerHeld(PromptAnswer answer);
  std::vector<Prompt> prompts() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::deque<PromptAnswer> answers_;
  std::vector<Prompt> prompts_;
  bool hold_ = false;
  std::deque<Answered> held_;
};

}  // namespace karone
