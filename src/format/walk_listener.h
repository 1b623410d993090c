// What the walk (format/sections.h) took each line as, for a program that shows a source as the
// reader reads it (the language server): a tag that opened or closed a section, a marker, a data
// line of the open section, or a line outside every section. A reading tells it to the
// WalkListener its LinkListener gives (format/links.h), decision by decision as the walk makes
// them; a reading without one pays one test of a pointer per line.
//
// A line passes through every group of sections in turn (format/sections.h), so it may be taken
// by more than one group: each group that takes it is told, in group order. A line that no group
// takes is told once, as Outside.
#pragma once

#include <cstdint>

namespace kelv {

struct Taken {
  enum class As : std::uint8_t {
    Outside,  // no section took it: comment text, or a tag that is none where it stands
    Open,     // "<name>" opened its section
    Close,    // "</name>" closed its section, or a section that was not open (`stray`)
    Marker,   // the closing tag of a marker ran its action
    Data,     // a data line of the open section
  };
  As as = As::Outside;
  std::uint32_t line = 0;  // 1-based physical line of the source
  // Where this piece of the line begins in it: 0 but for the later pieces of a line longer than
  // the line buffer, which the walk takes as lines of their own.
  std::uint32_t from = 0;
  // Open, Close, Marker: the section of the tag; Data: the open section. Sections are numbered
  // as the walk numbers them: their 1-based place in the groups taken one after the other.
  int section = 0;
  int was_open = 0;             // the section open before the line (0: none)
  bool looks_like_tag = false;  // Outside, Data: the line looks like a tag but is none here
  bool stray = false;           // Close: its section was not the one open

  // Data only: where the line stands, and what it did.
  std::uint32_t opened_at = 0;    // the line that opened its section
  std::uint32_t counted_at = 0;   // the line that gave the count of its table (0: none)
  std::int64_t record = -1;       // the record of its table it filled (from 0; -1: none)
  std::int64_t table_bytes = -1;  // a count line: the bytes of the table it made (-1: none)
};

class WalkListener {
 public:
  virtual ~WalkListener() = default;
  virtual void taken(const Taken& taken) = 0;
};

}  // namespace kelv
