#pragma once
// The one seam through which core code tells or asks the operator
// something (a message box: text, caption, buttons, icon -> answer). The
// user interface implements it with modal message boxes; command-line tools
// print to stderr; tests answer and record through a recording prompter of their own.
//
// Two ways to ask. ask() returns the answer: for modal dialogs and tools,
// where the caller can wait. askLater() returns at once and hands the answer
// to a callback on the caller's thread when the operator has given it: the
// run controller asks this way, so that its timers and the workers' posts
// go on while a box is open and no step of it runs inside another.
//
// ask() is called on the thread that needs the answer; implementations
// marshal to their own thread if they must. askLater() on the owner's
// thread of the implementation (the window thread).
#include <functional>
#include <string>

namespace karone {

enum class PromptButtons { Ok, YesNo, OkCancel };
enum class PromptIcon { None, Information, Warning, Question, Error };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class Prompter {
 public:
  virtual ~Prompter() = default;
  using Answered = std::function<void(PromptAnswer)>;

  virtual PromptAnswer ask(const std::string& text, const std::string& caption,
                           PromptButtons buttons, PromptIcon icon) = 0;
  // `answered` (may be empty) runs exactly once, later or, for a prompter
  // that answers without the operator, before askLater returns. The
  // default asks with ask() and answers at once.
  virtual void askLater(const std::string& text, const std::string& caption,
                        PromptButtons buttons, PromptIcon icon, Answered answered) {
    const PromptAnswer answer = ask(text, caption, buttons, icon);
    if (answered) answered(answer);
  }
};

// Prints the text to stderr and answers Ok / Yes without waiting.
class StderrPrompter final : public Prompter {
 public:
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;
};

}  // namespace karone
