#pragma once
// The operator of the headless program: every question the window would ask
// gets a fixed answer, and question and answer are printed as one line.
//   "FTP接続を切断しますか？" (already connected)      Yes: the new session wins
//   "ダイアルアップ接続を切断しますか？" (at exit)     No: an adopted line stays up
//   "予約キャプチャー進行中. 停止しますか?"            Yes (only the exit asks it)
//   any other Yes/No question                         No
//   messages (OK)                                     OK
//
// Threads: the loop's thread (the uploader's questions reach it there).
#include <ostream>

#include "platform/Prompter.h"

namespace karone {

class HeadlessPrompter final : public Prompter {
 public:
  explicit HeadlessPrompter(std::ostream& out) : out_(out) {}
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;
  // The rule alone, for tests.
  static PromptAnswer answerFor(const std::string& text, PromptButtons buttons);

 private:
  std::ostream& out_;
};

}  // namespace karone
