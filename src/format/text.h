// Fixed-size text fields: NUL-terminated bytes that pass through unchanged (Shift-JIS stays
// Shift-JIS), and the helpers every converter needs to fill and read them.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

namespace kelv {

// A Shift-JIS (code page 932) lead byte: it and the next byte form one character.
constexpr bool is_sjis_lead(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The text held in a field: its bytes up to the first NUL (or the whole field, unterminated).
inline std::string_view text_of(std::span<const char> field) {
  const void* nul = std::memchr(field.data(), '\0', field.size());
  return {field.data(), nul != nullptr
                            ? static_cast<std::size_t>(static_cast<const char*>(nul) - field.data())
                            : field.size()};
}

// Copies `text` into `field`, cut to the field size minus one, NUL-terminated, rest zero.
// Returns false when the text had to be cut.
inline bool copy_text(std::span<char> field, std::string_view text) {
  const std::size_t n = text.size() < field.size() ? text.size() : field.size() - 1;
  std::memcpy(field.data(), text.data(), n);
  std::memset(field.data() + n, 0, field.size() - n);
  return n == text.size();
}

// Replaces every '#' of the text in `field` by a line feed, walking it character by character:
// a Shift-JIS lead byte takes the next byte with it, never stepping over the text's end.
inline void hash_to_line_feed(std::span<char> field) {
  for (std::size_t i = 0; i < field.size() && field[i] != '\0'; ++i) {
    if (is_sjis_lead(field[i])) {
      if (i + 1 < field.size() && field[i + 1] != '\0') ++i;
    } else if (field[i] == '#') {
      field[i] = '\n';
    }
  }
}

}  // namespace kelv
