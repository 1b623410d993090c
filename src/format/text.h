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

// Whether `text` ends in a Shift-JIS lead byte without its second byte: half of a character.
constexpr bool ends_in_half_character(std::string_view text) {
  bool lone = false;
  for (std::size_t i = 0; i < text.size(); i += lone ? 1 : 2)
    lone = !is_sjis_lead(text[i]) || i + 1 == text.size();
  return !text.empty() && is_sjis_lead(text.back()) && lone;
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
//
// Done from one '#' to the next: a byte that is no lead byte always ends a character (alone, or
// as the second byte of one), so whether a '#' starts a character follows from the lead bytes
// right before it: an even run of them pairs up, an odd one takes the '#'.
inline void hash_to_line_feed(std::span<char> field) {
  char* const text = field.data();
  const std::size_t size = text_of(field).size();
  std::size_t start = 0;  // where a character starts
  while (const void* found = std::memchr(text + start, '#', size - start)) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
    std::size_t leads = 0;
    while (at - leads > start && is_sjis_lead(text[at - leads - 1]))
      ++leads;
    if (leads % 2 == 0) text[at] = '\n';
    start = at + 1;
  }
}

}  // namespace kelv
