#include "platform/Prompter.h"

#include <cstdio>

namespace karone {

PromptAnswer StderrPrompter::ask(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
}

}  // namespace karone
