// Texts a person reads, in the user's language. Every such text is written in the code in English
// through tr(), which marks it for the translators (xgettext takes every tr("...") into
// po/kelvconv.pot) and gives it in the language set by use_language() when it is shown:
//
//   tr("{1}: cannot open: {2}")(path, reason)             a text with its values filled in
//   tr("{1} file checked", "{1} files checked").n(count)   one form for 1, another for more
//   constexpr Text kNote = tr("...");                       marked now, translated when shown
//
// Values are numbered from 1 in the text, so that a translation may put them in another order.
// What programs read (diagnostic kinds, JSON keys and values, option names, tags, field names)
// is never a Text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kelv {

enum class Language : std::uint8_t { English, Japanese };

// The language texts are shown in: English until set.
void use_language(Language language);
Language language();
// The language a locale or language name stands for ("ja_JP.UTF-8", "ja", "en_US", "C"):
// Japanese for "ja...", English for anything else.
Language language_of(std::string_view name);

class Text;

namespace tr_detail {

inline std::string value_text(std::string_view s) {
  return std::string(s);
}
std::string value_text(const Text& t);
template <class T>
requires std::is_integral_v<T> std::string value_text(T n) {
  return std::to_string(n);
}

}  // namespace tr_detail

class Text {
 public:
  constexpr Text() = default;
  constexpr explicit Text(std::string_view one, std::string_view many = {})
      : one_(one), many_(many) {}

  // In the current language, with `values` for {1}, {2}, ...
  template <class... A>
  std::string operator()(const A&... values) const {
    return in(language(), {tr_detail::value_text(values)...});
  }
  // The form for `count` ({1}), with `values` for {2}, {3}, ...
  template <class... A>
  std::string n(std::int64_t count, const A&... values) const {
    return in(language(), {std::to_string(count), tr_detail::value_text(values)...}, count);
  }
  // In `language`, with `values` for {1}, {2}, ...; `count` picks the form of a text with two.
  std::string in(Language language, const std::vector<std::string>& values,
                 std::int64_t count = 1) const;

  constexpr std::string_view english() const { return one_; }
  constexpr bool empty() const { return one_.empty(); }

 private:
  std::string_view one_;
  std::string_view many_;  // the form for counts other than 1; empty for a text of one form
};

inline std::string tr_detail::value_text(const Text& t) {
  return t();
}

// Marks a text for translation.
constexpr Text tr(std::string_view english) {
  return Text(english);
}
// Marks a text with a form for 1 and a form for other counts.
constexpr Text tr(std::string_view one, std::string_view many) {
  return Text(one, many);
}

// A text and its values (texts, numbers, or messages of their own), kept to be shown later in
// whichever language is wanted: the JSON dump keeps English whatever the user reads.
class Message {
 public:
  Message() = default;
  template <class... A>
  explicit Message(Text text, const A&... values) : text_(text) {
    (values_.push_back(from(values)), ...);
  }
  // The form of `text` for `count` ({1}), with `values` for {2}, {3}, ...
  template <class... A>
  static Message n(Text text, std::int64_t count, const A&... values) {
    Message m(text, count, values...);
    m.count_ = count;
    return m;
  }
  // A text that is shown as it is, in any language.
  static Message literal(std::string text) {
    Message m;
    m.literal_ = std::move(text);
    return m;
  }

  std::string in(Language language) const;
  // In the current language.
  std::string str() const { return in(language()); }
  std::string english() const { return in(Language::English); }
  bool empty() const { return text_.empty() && literal_.empty(); }

 private:
  static Message from(std::string_view s) { return literal(std::string(s)); }
  template <class T>
  requires std::is_integral_v<T>
  static Message from(T n) { return literal(std::to_string(n)); }
  static Message from(const Message& m) { return m; }
  static Message from(Text t) { return Message(t); }

  Text text_;
  std::string literal_;
  std::vector<Message> values_;
  std::int64_t count_ = 1;
};

// The columns `utf8` takes on a terminal: two for a wide (East Asian) character, one for others.
std::size_t display_width(std::string_view utf8);

// `text` broken into lines of at most `width` columns, each after `indent` and the lines after
// the first `hang` columns further in: at blanks, and between wide characters where a text has
// no blanks (not before closing punctuation, not after an opening bracket, never inside a word
// of ASCII). A piece wider than a line stands alone on its line.
std::string wrapped(std::string_view text, std::string_view indent, std::size_t width,
                    std::size_t hang = 0);

}  // namespace kelv
