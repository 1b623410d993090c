// What the tagged-text rules drop or bend, line by line.
//
// The reader, the section walker and the scanner never stop on bad input: they follow the read
// rules and carry on. Whatever they drop or bend on the way is told to a Report, which is silent
// unless someone wants to hear it (a diagnostics mode, a test).
#pragma once

#include <cstdint>
#include <string_view>

#include "format/line_format.h"

namespace kelv {

enum class Note : std::uint8_t {
  LinePiece,        // a line longer than the line buffer: this is a later piece of it
  CutAtNul,         // a NUL byte ended the line's text; the rest of the line is lost
  FinalEmptyLine,   // the extra empty line after a final line feed was taken as data
  OutsideSections,  // a data line outside every section (comment text)
  UnknownTag,       // looks like a tag but matches none here (spaces, wrong name, typo)
  TagAsData,        // a tag line taken as data of the open section (forgotten closing tag?)
  ScanStopped,      // a scan stopped early: a = conversions matched, b = conversions wanted
  WordCut,          // a word longer than its field was cut: a = field size
  TextCut,          // a whole line longer than its field was cut: a = field size
  NumberWrapped,    // an integer beyond 32 bits was taken modulo 2^32
  LineUnused,       // a data line that found no record: a = the count it was measured against
                    // (-1: no table), b = 1 where the list has a fixed size and no count line
  CountClamped,     // a count was cut to its limit: a = given, b = limit
  TableRefused,     // a count whose table cannot be made (negative, too large): a = count
  HugeTable,        // a count whose table takes more than kHugeTable bytes: a = count, b = bytes
  FewerLines,       // a data section left records of its table without a line: a = how many
  OpenAtEnd,        // a section still open at the end of the file (line: its opening tag)
  ExtraValues,      // more on a line after its last value: found = what is dropped, a = values
  StrayClose,       // a closing tag of a section that is not open: section = the one open, if any
  LoneCr,           // a carriage return without its line feed inside a line (CR line ends)
  Utf8Mark,         // the file starts with a UTF-8 byte order mark
  LooksUtf8,        // the file's text beyond ASCII is valid UTF-8 (line: where it first shows)
  Reference,        // a value that is an index into another list: a = the value, b = the list
  CountLine,        // a line of a count section (section: its name), for whoever needs its place
  UnknownName,      // a names file's line: found = the value it names; a = 0: no such value,
                    // 1: no name given for it
};

// Tables larger than this are worth a word: a digit too many in a count.
inline constexpr std::int64_t kHugeTable = 64 << 20;

struct Finding {
  Note note;
  std::uint32_t line;  // 1-based physical line of the source
  std::int64_t a = 0;
  std::int64_t b = 0;
  const ValueShape* value = nullptr;  // the value of the line concerned, where there is one
  // ScanStopped: the rest of the line where it stopped; TagAsData, UnknownTag: the line.
  std::string_view found = {};
  std::string_view section = {};  // the open section
  std::uint32_t since = 0;        // the line of its opening tag
  std::uint32_t counted_at = 0;   // the line that gave the count of its table, if any
  std::uint32_t column = 0;       // 1-based byte of the line where it shows; 0: the whole line
  std::int64_t record = -1;       // the record of the table the line fills, where there is one
  // ScanStopped: whether the values the line did not reach are as a new record holds them (0,
  // empty); ExtraValues: what the line's last value took; WordCut, TextCut: whether the cut
  // leaves half of a double-byte character.
  bool unreached_empty = false;
  std::string_view taken = {};
  bool half_character = false;
};

class Report {
 public:
  virtual ~Report() = default;
  virtual void note(const Finding& finding) = 0;
};

// The default: hears nothing.
class SilentReport final : public Report {
 public:
  void note(const Finding&) override {}
};

}  // namespace kelv
