#pragma once
// The one seam through which core code tells or asks the operator
// something (a message box: text, caption, buttons, icon -> answer). The
// user interface implements it with modal message boxes; command-line tools
// print to stderr; tests answer and record through RecordingPrompter.
//
// Called on the thread that needs the answer; implementations marshal to
// their own thread if they must.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace karone {

enum class PromptButtons { Ok, YesNo, OkCancel };
enum class PromptIcon { None, Information, Warning, Question, Error };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual PromptAnswer ask(const std::string& text, const std::string& caption,
                           PromptButtons buttons, PromptIcon icon) = 0;
};

// Prints the text to stderr and answers Ok / Yes without waiting.
class StderrPrompter final : public Prompter {
 public:
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;
};

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
