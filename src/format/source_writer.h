// Writes a tagged text source that reads back into given tables: the decompiler's pen.
//
// Lines are printed by the same line formats the reader scans with, and every line is checked
// by reading it back: scanned by the real scanner, each value must come out as the tables hold
// it, and the line must reach its section whole (not split, not taken for a tag, not cut by a
// Ctrl-Z). What no source line can give is told as a problem at the value's offset in the data
// file; the line is still written as close as it can be.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/data_reader.h"
#include "format/line_format.h"
#include "format/scan.h"
#include "format/sections.h"

namespace kelv {

class SourceWriter {
 public:
  // `places` tells where the values the lines print were read from in the data file.
  SourceWriter(const Vocabulary& vocabulary, Places& places, std::vector<DataProblem>& problems)
      : vocabulary_(vocabulary), places_(places), problems_(problems) {}

  // A line outside every section.
  void comment(std::string_view line);
  // "<name>": the section stays open until close().
  void open(std::string_view name);
  // "</name>" of the open section.
  void close();
  // A marker's "</name>", given outside every section.
  void marker(std::string_view name);

  // One data line of the open section: the values of `record` by their line format.
  template <class R, std::size_t N>
  void line(const LineFormat<R, N>& format, const R& record, bool single = false) {
    std::array<const void*, N> places{};
    for (std::size_t i = 0; i < N; ++i)
      places[i] = format.values[i].in(record);
    print(format.shapes, places, single);
  }
  // A data section of records, one line each. Where a section starts again at its first record
  // when it opens, a record that no one line can give (a word ending in half a character,
  // with values after it) is given by the section once more, over what it gave before.
  template <class R, std::size_t N>
  void records(std::string_view tag, std::span<const R> rs, const LineFormat<R, N>& format) {
    std::vector<std::vector<const void*>> places(rs.size(), std::vector<const void*>(N));
    for (std::size_t r = 0; r < rs.size(); ++r) {
      for (std::size_t i = 0; i < N; ++i)
        places[r][i] = format.values[i].in(rs[r]);
    }
    print_records(tag, format.shapes, places);
  }
  // A count line, or any line of one number.
  void number(std::int32_t n);
  // A whole line of any length (a dialogue text): `text` as held, read from `where`.
  void text(std::string_view text, const ValueShape& shape, const void* where);

  // A section of single values: "<tag>", its line (or lines), "</tag>". A scanned line left
  // empty (every value as a fresh reading holds it) is left out: it would change nothing.
  template <class R, std::size_t N>
  void section(std::string_view tag, const LineFormat<R, N>& format, const R& record) {
    open(tag);
    line(format, record, true);
    close();
  }
  void count_section(std::string_view tag, std::int32_t n) {
    open(tag);
    number(n);
    close();
  }

  const std::string& source() const { return out_; }

 private:
  // Lines printed and read back one after the other: the problems found, by the field they
  // concern.
  struct Attempt {
    std::vector<std::string> lines;
    std::vector<std::pair<const void*, Message>> problems;
  };
  Attempt attempt(std::span<const ValueShape> shapes, std::span<const void* const> places,
                  std::vector<std::string> lines) const;
  // The lines that read back into the values at `places` one after the other: one line, or with
  // `several`, as many as needed (a word that ends in half a character ends a line).
  Attempt plan(std::span<const ValueShape> shapes, std::span<const void* const> places,
               bool several) const;
  // The line (or, with `single`, the lines of a single value's section) that reads back into
  // the values at `places`.
  void print(std::span<const ValueShape> shapes, std::span<const void* const> places, bool single);
  void print_records(std::string_view tag, std::span<const ValueShape> shapes,
                     const std::vector<std::vector<const void*>>& places);
  // What the reader does to a whole line before its values are scanned, if it does not take it
  // as it is; empty when it does.
  Message line_problem(std::string_view line) const;
  void problem(const void* where, Message message);
  void put(std::string_view line);

  const Vocabulary& vocabulary_;
  Places& places_;
  std::vector<DataProblem>& problems_;
  std::string out_;
  std::string_view open_;  // the open section's tag; empty when none is open
};

// A real printed so that the scanner reads back the same float: the shortest decimal form.
std::string real_text(float v);

}  // namespace kelv
