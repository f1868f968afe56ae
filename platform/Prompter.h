#pragma once
// The one seam through which core code tells or asks the operator
// something (a message box: text, caption, buttons, icon -> answer). The
// user interface implements it with modal message boxes; command-line tools
// print to stderr; tests answer and record through a recording prompter of their own.
//
// Called on the thread that needs the answer; implementations marshal to
// their own thread if they must.
#include <string>

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

}  // namespace karone
