#include "platform/terminal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kelv {
namespace {

// A stream holding `content`, as a terminal would deliver it.
std::FILE* typed(const std::string& content) {
  std::FILE* f = std::tmpfile();
  std::fputs(content.c_str(), f);
  std::rewind(f);
  return f;
}

std::string contents(std::FILE* f) {
  std::rewind(f);
  std::string s;
  for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
    s += static_cast<char>(c);
  return s;
}

TEST(TerminalConsole, AnswersToTheOverwriteQuestion) {
  struct Case {
    const char* typed;
    Answer answer;
  } cases[] = {{"y\n", Answer::Yes}, {"yes\n", Answer::Yes},  {" Y \n", Answer::Yes},
               {"YES", Answer::Yes}, {"はい\n", Answer::Yes}, {"n\n", Answer::No},
               {"\n", Answer::No},   {"", Answer::No},        {"yep\n", Answer::No},
               {"no\n", Answer::No}, {"いいえ\n", Answer::No}};
  for (const Language language : {Language::English, Language::Japanese}) {
    use_language(language);
    for (const Case& c : cases) {
      std::FILE* err = std::tmpfile();
      TerminalConsole console(stdout, err, [&] { return typed(c.typed); });
      EXPECT_EQ(console.ask_overwrite("out/x.dat"), c.answer) << c.typed;
      EXPECT_EQ(contents(err),
                language == Language::English
                    ? "kelvconv: out/x.dat: 同名のファイルが存在しますが、上書きしますか？ (A "
                      "file of the same name exists: replace it?) [y/N] "
                    : "kelvconv: out/x.dat: 同名のファイルが存在しますが、上書きしますか？ [y/N] ");
      std::fclose(err);
    }
  }
  use_language(Language::English);
}

TEST(TerminalConsole, NoTerminalNoQuestion) {
  std::FILE* err = std::tmpfile();
  TerminalConsole console(stdout, err, [] { return static_cast<std::FILE*>(nullptr); });
  EXPECT_EQ(console.ask_overwrite("x.dat"), Answer::CannotAsk);
  EXPECT_EQ(contents(err), "");
  std::fclose(err);
}

}  // namespace
}  // namespace kelv
