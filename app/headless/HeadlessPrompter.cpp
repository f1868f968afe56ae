#include "app/headless/HeadlessPrompter.h"

#include "resources/Texts.h"

namespace karone {
namespace {

std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

const char* answerName(PromptAnswer a) {
  switch (a) {
    case PromptAnswer::Yes: return "Yes";
    case PromptAnswer::No: return "No";
    case PromptAnswer::Cancel: return "Cancel";
    case PromptAnswer::Ok: break;
  }
  return "OK";
}

}  // namespace

PromptAnswer HeadlessPrompter::answerFor(const std::string& text, PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok: return PromptAnswer::Ok;
    case PromptButtons::OkCancel: return PromptAnswer::Cancel;
    case PromptButtons::YesNo: break;
  }
  if (text == karone::text(Text::FtpAskDisconnect)) return PromptAnswer::Yes;
  if (text == karone::text(Text::ScheduledRunQuestion)) return PromptAnswer::Yes;
  return PromptAnswer::No;  // the dial-up question at exit among them
}

PromptAnswer HeadlessPrompter::ask(const std::string& text, const std::string& caption,
                                   PromptButtons buttons, PromptIcon) {
  const PromptAnswer answer = answerFor(text, buttons);
  out_ << formatText(Text::ServerAnswer, oneLine(caption).c_str(), oneLine(text).c_str(),
                     answerName(answer))
       << std::endl;
  return answer;
}

}  // namespace karone
