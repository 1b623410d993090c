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
  // none; it is asked each time a question comes. `err_on_terminal`: whether `err` is shown on a
  // terminal, where every run's summary is told. `columns` tells the width of the terminal `out`
  // writes to (0: none).
  TerminalConsole(std::FILE* out, std::FILE* err, std::function<std::FILE*()> open_terminal,
                  bool err_on_terminal = false, std::function<std::size_t()> columns = {})
      : out_(out),
        err_(err),
        open_terminal_(std::move(open_terminal)),
        err_on_terminal_(err_on_terminal),
        columns_(std::move(columns)) {}

  Answer ask_overwrite(const std::string& output) override;
  void cannot_create(const std::string& output, const Problem& reason) override;
  void error(std::string_view line) override;
  void info(std::string_view line) override;
  void diagnostic(std::string_view line) override;
  void summary(const RunSummary& run) override;
  std::size_t columns() override;
  void flush() override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::function<std::FILE*()> open_terminal_;
  bool err_on_terminal_;
  std::function<std::size_t()> columns_;
};

}  // namespace kelv
