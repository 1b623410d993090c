// What the reader makes of a document: the narrow view of the reader that the server's features
// need, and the one place that asks the reader for it.
//
//   - Findings: the real converter reads the document's Shift-JIS bytes with a report that
//     tells what --check tells, so the editor hears exactly what a conversion would say.
//   - Line uses: what each line is taken as (a tag that opens or closes a section, a data line
//     of the open section, a comment), by the reader's rule of which tags are tags while a
//     section is open.
//   - Values: where each value of a data line lies, found by the real scanner value by value.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "inspect/finding.h"
#include "inspect/names.h"
#include "lsp/document.h"

namespace kelv::lsp {

// What a document is: a source of one kind, or the author's names file.
struct Subject {
  const Kind* kind = nullptr;  // nullptr: the names file

  const Vocabulary& vocabulary() const {
    return kind != nullptr ? kind->vocabulary() : Names::vocabulary();
  }
  std::string_view name() const { return kind != nullptr ? kind->name() : "names"; }
};

// Everything the reader finds in the document, the author's `names` lending their names.
std::vector<kelv::Finding> findings(const Document& document, const Subject& subject,
                              const Names* names);

// What a line of the reader's text is taken as.
struct LineUse {
  enum What : std::uint8_t { Outside, Open, Close, Data } what = Outside;
  std::uint32_t line = 1;    // the reader's line, from 1
  std::size_t byte = 0;      // where this piece of the line begins (a long line comes in pieces)
  std::size_t length = 0;    // its bytes
  int section = 0;           // Open, Close: its section; Data: the open one (1-based, 0: none)
  int open_before = 0;       // the section open before the line (0: none)
  std::uint32_t opened_at = 0;  // Data: the line that opened its section
  std::uint32_t index = 0;      // Data: how many data lines the section had before it
};

// The sections of a vocabulary by number, as the reader numbers them: their 1-based place in
// the groups taken one after the other.
struct Numbered {
  explicit Numbered(const Vocabulary& vocabulary);
  const SectionShape& operator[](int number) const { return *all[static_cast<std::size_t>(number)]; }
  std::size_t group_of(int number) const { return group[static_cast<std::size_t>(number)]; }
  std::vector<const SectionShape*> all;  // [0] is none
  std::vector<std::size_t> group;
};

// What every line of the document is taken as, in order.
std::vector<LineUse> line_uses(const Document& document, const Vocabulary& vocabulary);

// Where a value of a data line lies, in bytes of its text; `read` is false for the first value
// that does not scan (it begins where the scan looked) and those after it are not given.
struct ValueSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool read = true;
};
std::vector<ValueSpan> value_spans(std::string_view text, std::span<const ValueShape> values);

}  // namespace kelv::lsp
