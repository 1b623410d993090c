#include "platform/terminal.h"

#include <cctype>
#include <string>

namespace kelv {

std::string overwrite_prompt(const std::string& output) {
  return std::string(kProgram) + ": " + output + ": " + kOverwriteQuestion() + " [y/N] ";
}

Answer typed_answer(std::string_view line) {
  std::string answer;
  for (const char c : line) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      answer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return answer == "y" || answer == "yes" || answer == "はい" ? Answer::Yes : Answer::No;
}

Answer TerminalConsole::ask_overwrite(const std::string& output) {
  std::FILE* tty = open_terminal_();
  if (tty == nullptr) return Answer::CannotAsk;
  std::fputs(overwrite_prompt(output).c_str(), err_);
  std::fflush(err_);
  std::string line;
  for (int c = std::fgetc(tty); c != EOF && c != '\n'; c = std::fgetc(tty))
    line += static_cast<char>(c);
  std::fclose(tty);
  return typed_answer(line);
}

void TerminalConsole::cannot_create(const std::string& output, const Problem& reason) {
  std::fprintf(err_, "%.*s: %s: %s: %s\n", static_cast<int>(kProgram.size()), kProgram.data(),
               output.c_str(), kCannotCreate().c_str(), reason.c_str());
}

void TerminalConsole::error(std::string_view line) {
  std::fflush(out_);  // what was shown before the error comes before it
  std::fprintf(err_, "%.*s: %.*s\n", static_cast<int>(kProgram.size()), kProgram.data(),
               static_cast<int>(line.size()), line.data());
}

void TerminalConsole::diagnostic(std::string_view line) {
  std::fflush(out_);
  std::fprintf(err_, "%.*s\n", static_cast<int>(line.size()), line.data());
}

void TerminalConsole::summary(const RunSummary& run) {
  if (run.silent() || err_on_terminal_) diagnostic(run.line());
}

std::size_t TerminalConsole::columns() {
  const std::size_t n = columns_ ? columns_() : 0;
  return n == 0 ? Console::columns() : n;
}

void TerminalConsole::flush() {
  std::fflush(out_);
  std::fflush(err_);
}

void TerminalConsole::info(std::string_view line) {
  std::fprintf(out_, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace kelv
