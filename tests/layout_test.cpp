// What the program lays out for a terminal, over the whole catalogue in both languages: the
// format of every kind, the list of kinds and the names file's sections fit their width by
// display columns (a wide character takes two), and the lines break where a reader expects.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "inspect/explain.h"
#include "inspect/names.h"
#include "language/tr.h"

namespace kelv {
namespace {

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

bool ascii_word(char c) {
  return c > ' ' && c <= '~';
}

// The runs of printable ASCII in `text`, wherever they stand: a line break inside one splits it.
std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    if (ascii_word(c)) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// Where a line may not begin or end in Japanese.
bool starts_badly(std::string_view line) {
  const std::size_t at = line.find_first_not_of(' ');
  if (at == std::string_view::npos) return false;
  for (const std::string_view mark : {"、", "。", "）", "」", "』", "，", "："}) {
    if (line.substr(at).starts_with(mark)) return true;
  }
  return false;
}
bool ends_badly(std::string_view line) {
  for (const std::string_view mark : {"（", "「", "『"}) {
    if (line.ends_with(mark)) return true;
  }
  return false;
}

// `text` laid out in `width` columns: no line wider, none begins with closing punctuation or
// ends with an opening bracket, and the same ASCII words as `whole` (the text in one long line).
void fits(const std::string& text, const std::string& whole, std::size_t width,
          const std::string& what) {
  for (const std::string& line : lines_of(text)) {
    EXPECT_LE(display_width(line), width) << what << ":\n" << line;
    EXPECT_FALSE(starts_badly(line)) << what << ":\n" << line;
    EXPECT_FALSE(ends_badly(line)) << what << ":\n" << line;
  }
  EXPECT_EQ(words_of(text), words_of(whole)) << what;
}

TEST(Layout, EveryKindFitsTheTerminalInBothLanguages) {
  constexpr std::size_t kWhole = 100000;
  for (const Language language : {Language::English, Language::Japanese}) {
    use_language(language);
    const std::string in = language == Language::English ? " (en)" : " (ja)";
    fits(kinds(), kinds(kWhole), kNarrowest, "--explain" + in);
    for (const Kind& kind : catalog()) {
      for (const std::size_t width : {kNarrowest, kWidest}) {
        fits(explain(kind, nullptr, width), explain(kind, nullptr, kWhole), width,
             "--explain " + std::string(kind.name()) + in);
      }
      for (const std::string& line : lines_of(names_template(kind)))
        EXPECT_LE(display_width(line), kNarrowest) << "--names " << kind.name() << in << line;
    }
  }
  use_language(Language::English);
}

}  // namespace
}  // namespace kelv
