// What the tagged-text rules drop or bend, line by line.
//
// The reader, the section walker and the scanner never stop on bad input: they follow the read
// rules and carry on. Whatever they drop or bend on the way is told to a Report as a Note: the
// line, where it stands, and what was seen there, one of the types of `seen` below with fields
// of its own. A Report is silent unless someone wants to hear it: inspect/diagnostics.h turns the
// notes into the findings an author reads, tests look at them as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "format/line_format.h"

namespace kelv {

// Part of a line: its bytes from column `begin` up to `end`, the column after the last (1-based
// columns of the Shift-JIS bytes; begin == end where something is missing at `begin`).
struct Columns {
  std::uint32_t begin = 0;  // 0: no part, the line as a whole
  std::uint32_t end = 0;

  // The bytes `part` of `line` takes (`part` lies inside `line`).
  static Columns of(std::string_view line, std::string_view part) {
    const auto begin = static_cast<std::uint32_t>(part.data() - line.data() + 1);
    return {begin, begin + static_cast<std::uint32_t>(part.size())};
  }
  bool whole_line() const { return begin == 0; }
  bool operator==(const Columns&) const = default;
};

// Tables larger than this are worth a word: a digit too many in a count.
inline constexpr std::int64_t kHugeTable = 64 << 20;

// What the rules saw, one type for each thing they tell of.
namespace seen {

// A later piece of a line longer than the line buffer, read as a line of its own.
struct LinePiece {
  std::size_t taken;  // the bytes one read takes: the line buffer's size minus 1
};
// A NUL byte ended the line's text; the rest of the line is lost.
struct CutAtNul {};
// A line that looks like a tag but is none where it stands (blanks, a wrong name, a typo).
struct UnknownTag {
  std::string_view text;  // the whole line
};
// A line that looks like a tag, taken as data of the open section (its closing tag forgotten?).
struct TagAsData {
  std::string_view text;  // the whole line
};
// A closing tag of a section that is not open (the note's section: the one open, if any).
struct StrayClose {
  std::string_view tag;
};
// A scan that stopped before the line's last value: the values from `matched` on keep what they
// held.
struct ScanStopped {
  std::span<const ValueShape> values;  // all the line's values
  std::size_t matched;                 // how many were read
  std::string_view rest;               // the line from where the scan stopped
  std::int64_t record;                 // the record of its table the line fills; -1: none
  bool unreached_as_new;  // whether the values not read hold what a new record holds (0, empty)
};
// More on a line after its last value: dropped.
struct ExtraValues {
  std::size_t values;  // how many the line holds
  std::string_view dropped;
  const ValueShape* last;  // the line's last value
  std::string_view taken;  // what the last value took, where it is a word; else empty
};
// A word, or a whole-line text, longer than its field: cut.
struct Cut {
  const ValueShape* value;
  std::size_t place;    // the value's place on the line, from 0
  std::size_t kept;     // the bytes kept: the field's size minus 1
  bool half_character;  // the cut leaves half of a double-byte character
};
// An integer beyond 32 bits, taken modulo 2^32.
struct NumberWrapped {
  const ValueShape* value;
  std::size_t place;  // the value's place on the line, from 0
};
// A data line that finds no record of its table.
struct LineUnused {
  enum class Why : std::uint8_t {
    NoTable,      // no count line made a table (or the count is negative)
    CountUsedUp,  // the count, `limit`, is used up
    RowsFull,     // the list holds `limit` rows, and has no count line
    FieldFull,    // with the line, the field would pass the 2 GiB it can hold
  };
  Why why;
  std::int64_t limit = 0;

  // A line of a counted list: no table, or the count `count` used up.
  static LineUnused counted(bool table, std::int64_t count) {
    return table && count >= 0 ? LineUnused{Why::CountUsedUp, count} : LineUnused{Why::NoTable};
  }
  static LineUnused rows_full(std::int64_t rows) { return {Why::RowsFull, rows}; }
  static LineUnused field_full() { return {Why::FieldFull}; }
};
// A count cut to what the list holds.
struct CountClamped {
  std::int64_t given;
  std::int64_t limit;
};
// A count whose table cannot be made (negative, or too large for the data file).
struct TableRefused {
  std::int64_t count;
};
// A count whose table takes more than kHugeTable bytes.
struct HugeTable {
  std::int64_t count;
  std::int64_t bytes;
};
// A data section left with records of its table given no line (the note's line: where it was
// left).
struct FewerLines {
  std::int64_t left;
};
// A section still open at the end of the file (the note's line: its opening tag).
struct OpenAtEnd {};
// A carriage return without its line feed inside a line (a file with CR line ends).
struct LoneCr {};
// The file starts with a UTF-8 byte order mark.
struct Utf8Mark {};
// The file's text beyond ASCII is all valid UTF-8 (the note's line: where it first shows).
struct LooksUtf8 {};

using Any = std::variant<LinePiece, CutAtNul, UnknownTag, TagAsData, StrayClose, ScanStopped,
                         ExtraValues, Cut, NumberWrapped, LineUnused, CountClamped, TableRefused,
                         HugeTable, FewerLines, OpenAtEnd, LoneCr, Utf8Mark, LooksUtf8>;

}  // namespace seen

// Where a line stands: its open section, the line that opened it, and the line that gave the
// count of the table it fills (0 when none did).
struct LineContext {
  std::string_view section;
  std::uint32_t opened_at = 0;
  std::uint32_t counted_at = 0;
  // The empty line after a final line feed, which the read rules take as one more data line.
  bool final_empty = false;
};

// A note's texts lie in the line being read: a Report takes what it needs of them before note()
// returns.
struct Note {
  std::uint32_t line;  // 1-based physical line of the source
  seen::Any what;
  LineContext where = {};
  Columns columns = {};  // the part of the line concerned, where it is one part

  template <class T>
  bool is() const {
    return std::holds_alternative<T>(what);
  }
};

class Report {
 public:
  virtual ~Report() = default;
  virtual void note(const Note& note) = 0;
};

// The default: hears nothing.
class SilentReport final : public Report {
 public:
  void note(const Note&) override {}
};

}  // namespace kelv
