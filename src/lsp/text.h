// The text of a document three ways: as the editor sends it (UTF-8 here, whatever the protocol's
// position encoding), as the reader reads it (Shift-JIS, code page 932, made by the system's own
// converter), and as the editor counts columns (UTF-8 bytes or UTF-16 units, as negotiated).
//
// Columns are mapped within one line, walking it in both texts at once: every character of the
// editor's text is one character of the Shift-JIS text (a '?' where it has no Shift-JIS form),
// whose lead byte says whether it takes one byte or two. So no map is kept per line: a line is
// walked when a place in it is asked for, and a cursor that only moves forward answers the
// places of one line in order (the tokens of a line) in one walk. A place inside a character
// falls back to its start, and one past the line's end to the end.
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
  std::size_t begin;  // its bytes in the line's UTF-8
  std::size_t end;
  char32_t character;
};

// One line of the editor's text (UTF-8, without its line end) in Shift-JIS, converted as a whole
// where it can be, else character by character; `unencodable` gets what cannot be held.
std::string to_shift_jis(std::string_view utf8, std::vector<Unencodable>& unencodable);

// A place in a line, in the three ways of counting.
struct Place {
  std::size_t utf8 = 0;
  std::size_t sjis = 0;
  std::uint32_t column = 0;  // in the negotiated encoding
};

// Walks one line in both texts, forward only.
class LineCursor {
 public:
  LineCursor(std::string_view utf8, std::string_view sjis, Encoding encoding)
      : utf8_(utf8), sjis_(sjis), encoding_(encoding) {}

  // The start of the character that holds Shift-JIS byte `byte` (the end for one past it); the
  // bytes asked for do not go back.
  Place at_sjis(std::size_t byte);
  // The start of the character at or before column `column` of the editor.
  Place at_column(std::size_t column);

 private:
  // Steps over the character at the cursor; false at the end of the line.
  bool step(Place& next) const;

  std::string_view utf8_;
  std::string_view sjis_;
  Encoding encoding_;
  Place at_;
};

}  // namespace kelv::lsp
