// The user's side on a terminal: messages on stdout and stderr, the overwrite question asked on
// stderr and answered from the terminal (y, yes or はい replaces, anything else keeps the old
// file).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kelv {

// The overwrite question as a terminal or console asks it:
// "kelvconv: PATH: 同名のファイルが存在しますが、上書きしますか？ [y/N] ".
std::string overwrite_prompt(const std::string& output);
// What a line typed in answer means: y or yes (any case, blanks ignored) or はい replaces the
// file; anything else, an empty line too, keeps it.
Answer typed_answer(std::string_view line);

class TerminalConsole final : public Console {
 public:
  // `open_terminal` opens the terminal to read an answer from, or returns nullptr when there is
  // none; it is asked each time a question comes.
  TerminalConsole(std::FILE* out, std::FILE* err, std::function<std::FILE*()> open_terminal)
      : out_(out), err_(err), open_terminal_(std::move(open_terminal)) {}

  Answer ask_overwrite(const std::string& output) override;
  void cannot_create(const std::string& output, const Problem& reason) override;
  void error(std::string_view line) override;
  void info(std::string_view line) override;
  void diagnostic(std::string_view line) override;
  void flush() override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::function<std::FILE*()> open_terminal_;
};

}  // namespace kelv
