// The text of a document three ways: as the editor sends it (UTF-8 here, whatever the protocol's
// position encoding), as the reader reads it (Shift-JIS, code page 932, made by the system's own
// converter), and as the editor counts columns (UTF-8 bytes or UTF-16 units, as negotiated).
// Columns are mapped within one line; a position inside a character falls back to its start, and
// one past the line's end to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::lsp {

// How the editor counts the columns of a position.
enum class Encoding : std::uint8_t { Utf8, Utf16 };

// The code point of the UTF-8 character at `at` and its length in bytes (1 for a byte that
// starts no valid character, which then stands for itself).
struct Decoded {
  char32_t code;
  std::size_t length;
};
Decoded decode(std::string_view utf8, std::size_t at);

// The columns `utf8` takes in `encoding`.
std::size_t columns(std::string_view utf8, Encoding encoding);
// The byte of `line` where column `column` of `encoding` falls.
std::size_t offset_of(std::string_view line, std::size_t column, Encoding encoding);

// A character that Shift-JIS cannot hold: the reader gets '?' in its place, as an editor saving
// the file in Shift-JIS writes it.
struct Unencodable {
  std::uint32_t line;  // 0-based line of the document
  std::size_t begin;   // its bytes in the line's UTF-8
  std::size_t end;
  char32_t character;
};

// One line in Shift-JIS: its bytes, and each character's place in both texts.
class ShiftJisLine {
 public:
  // Converts `utf8` (one line, without its line end) character by character where the whole
  // line does not convert; `unencodable` gets what cannot be held, on line `line`.
  ShiftJisLine(std::string_view utf8, std::uint32_t line, std::vector<Unencodable>& unencodable);

  const std::string& bytes() const { return bytes_; }
  // The UTF-8 offset of the character that holds byte `column` of the Shift-JIS line (the end
  // for a column past it).
  std::size_t utf8_offset(std::size_t column) const;
  // The Shift-JIS byte where the character at UTF-8 offset `offset` begins.
  std::size_t sjis_column(std::size_t offset) const;

 private:
  std::string_view utf8_;
  std::string bytes_;
  // Where each character begins, in both texts; ASCII-only lines keep none (the same bytes).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> starts_;
};

}  // namespace kelv::lsp
