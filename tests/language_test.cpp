// The language: texts found in the catalogue built into the program, their values and forms, the
// language the environment names, lines that fit a terminal, and every test in English unless it
// asks for Japanese.
#include "language/tr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace kelv {
namespace {

// Every test runs in English whatever the environment of the machine says, and so do the
// programs the tests start (they read the environment): LANGUAGE wins wherever a locale is set.
const bool kEnglishForAll = [] {
#ifdef _WIN32
  _putenv_s("LANGUAGE", "en");
#else
  ::setenv("LANGUAGE", "en", 1);
#endif
  return true;
}();

// Sets the language for one test.
class InJapanese {
 public:
  InJapanese() { use_language(Language::Japanese); }
  ~InJapanese() { use_language(Language::English); }
};

TEST(Language, TextsValuesAndForms) {
  EXPECT_EQ(tr("{1}: cannot open: {2}")("a.txt", "gone"), "a.txt: cannot open: gone");
  EXPECT_EQ(tr("{2} then {1}, {3} stays")(1, 2), "2 then 1, {3} stays");
  EXPECT_EQ(tr("{1} file", "{1} files").n(1), "1 file");
  EXPECT_EQ(tr("{1} file", "{1} files").n(0), "0 files");
  EXPECT_EQ(tr("{1} file", "{1} files").n(2), "2 files");
  const InJapanese ja;
  EXPECT_EQ(tr("{1}: cannot open: {2}")("a.txt", "gone"), "a.txt: 開けません: gone");
  EXPECT_EQ(tr("{1} file", "{1} files").n(1), "1 件のファイル");
  EXPECT_EQ(tr("{1} file", "{1} files").n(7), "7 件のファイル");
  EXPECT_EQ(tr("a text no catalogue has")(), "a text no catalogue has");
}

// A message keeps its values and is shown in either language, nested messages too.
TEST(Language, MessagesShownLaterInEitherLanguage) {
  const Message m(tr("the data ends where {1} needs {2} bytes ({3} are left)"),
                  Message(tr("its count of {1} records"), 3), 12, 4);
  const InJapanese ja;
  EXPECT_EQ(m.english(), "the data ends where its count of 3 records needs 12 bytes (4 are left)");
  EXPECT_EQ(m.str(),
            "件数 3 のレコードに 12 バイト必要なところでデータが終わっています（残りは 4 バイト）");
  EXPECT_EQ(Message::n(tr("{1} byte after the last field", "{1} bytes after the last field"), 1)
                .english(),
            "1 byte after the last field");
}

TEST(Language, WidthsAndWrapping) {
  EXPECT_EQ(display_width("abc"), 3u);
  EXPECT_EQ(display_width("件数：数値"), 10u);
  EXPECT_EQ(display_width("a件b"), 4u);
  EXPECT_EQ(wrapped("one two three four", "  ", 10), "  one two\n  three\n  four\n");
  // Japanese breaks between characters, never before closing punctuation.
  EXPECT_EQ(wrapped("件数の行ごとに空の、テーブル", "", 12), "件数の行ごと\nに空の、テー\nブル\n");
  EXPECT_EQ(wrapped("", "  ", 10), "\n");
}

#ifndef _WIN32
// The language the environment names, as gettext reads it: the locale from LC_ALL, LC_MESSAGES
// or LANG, the first set; LANGUAGE where the locale is not C.
TEST(Language, TheEnvironmentNamesIt) {
  struct Case {
    const char* language;  // LANGUAGE
    const char* all;       // LC_ALL
    const char* messages;  // LC_MESSAGES
    const char* lang;      // LANG
    const char* want;
  } cases[] = {
      {"", "", "", "", ""},
      {"", "", "", "ja_JP.UTF-8", "ja_JP.UTF-8"},
      {"", "", "ja_JP.UTF-8", "en_US.UTF-8", "ja_JP.UTF-8"},
      {"", "en_US.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", "en_US.UTF-8"},
      {"", "C", "", "ja_JP.UTF-8", "C"},
      {"", "", "", "C.UTF-8", "C"},
      {"ja", "", "", "C", "C"},
      {"ja", "", "", "", ""},
      {"ja", "", "", "en_US.UTF-8", "ja"},
      {"de:ja_JP:en", "", "", "en_US.UTF-8", "ja_JP"},
      {"de:en:ja", "", "", "ja_JP.UTF-8", "en"},
      {"fr", "", "", "ja_JP.UTF-8", "en"},
  };
  const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[4];
  bool had[4];
  for (int i = 0; i < 4; ++i) {
    const char* v = std::getenv(names[i]);
    had[i] = v != nullptr;
    saved[i] = v != nullptr ? v : "";
  }
  for (const Case& c : cases) {
    const char* values[] = {c.language, c.all, c.messages, c.lang};
    for (int i = 0; i < 4; ++i) {
      if (*values[i] != '\0') {
        ::setenv(names[i], values[i], 1);
      } else {
        ::unsetenv(names[i]);
      }
    }
    EXPECT_EQ(language_from_environment(), c.want)
        << c.language << "|" << c.all << "|" << c.messages << "|" << c.lang;
  }
  for (int i = 0; i < 4; ++i) {
    if (had[i]) {
      ::setenv(names[i], saved[i].c_str(), 1);
    } else {
      ::unsetenv(names[i]);
    }
  }
  EXPECT_EQ(language_of("ja_JP.UTF-8"), Language::Japanese);
  EXPECT_EQ(language_of("ja"), Language::Japanese);
  EXPECT_EQ(language_of("C"), Language::English);
  EXPECT_EQ(language_of(""), Language::English);
}
#endif

}  // namespace
}  // namespace kelv
