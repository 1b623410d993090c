#include "platform/terminal.h"

#include <cctype>
#include <string>

namespace kelv {

Answer TerminalConsole::ask_overwrite(const std::string& output) {
  std::FILE* tty = open_terminal_();
  if (tty == nullptr) return Answer::CannotAsk;
  const std::string question = kOverwriteQuestion();
  std::fprintf(err_, "%.*s: %s: %s [y/N] ", static_cast<int>(kProgram.size()), kProgram.data(),
               output.c_str(), question.c_str());
  std::fflush(err_);
  std::string answer;
  for (int c = std::fgetc(tty); c != EOF && c != '\n'; c = std::fgetc(tty)) {
    if (!std::isspace(c)) answer += static_cast<char>(std::tolower(c));
  }
  std::fclose(tty);
  return answer == "y" || answer == "yes" || answer == "はい" ? Answer::Yes : Answer::No;
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

void TerminalConsole::info(std::string_view line) {
  std::fprintf(out_, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace kelv
