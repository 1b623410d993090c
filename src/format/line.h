// One data line, as a section's handler sees it: its text, where it stands, and the ways to read
// it by a line format. What the reading drops or bends is noted to the walk's Report, and every
// number that indexes another kind's list is told to its LinkListener.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "format/line_format.h"
#include "format/links.h"
#include "format/report.h"
#include "format/scan.h"
#include "format/text.h"

namespace kelv {

class Line {
 public:
  Line(std::string_view text, std::uint32_t number, int section_number, Report& report,
       LinkListener& links, const LineContext& where = {})
      : text_(text),
        number_(number),
        section_number_(section_number),
        report_(report),
        links_(links),
        where_(where) {}

  std::string_view text() const { return text_; }
  // 1-based physical line of the source.
  std::uint32_t number() const { return number_; }
  // The number of the open section: its 1-based place among the converter's sections, the
  // groups taken one after the other.
  int section_number() const { return section_number_; }
  // Where it stands: its section, the line that opened it and the one that gave the count.
  const LineContext& where() const { return where_; }
  // The record of its table the line fills (from 0), for what is told of it; -1: none.
  void at_record(std::int64_t record) const { record_ = record; }
  std::int64_t record() const { return record_; }
  // The entry of a table of entries (a shop, a flag, ...) the line fills; -1: none.
  void at_entry(std::int64_t entry) const { entry_ = entry; }
  std::int64_t entry() const { return entry_; }
  // A count line that made a new table in place of the one before (also where it could make
  // none, `bytes` -1): what the table held is gone. The bytes of the table it made, for what
  // is told of it.
  void made_table(std::int64_t bytes) const {
    made_table_ = true;
    table_bytes_ = bytes;
  }
  bool makes_table() const { return made_table_; }
  std::int64_t table_bytes() const { return table_bytes_; }

  // Reads the line into `record` by its line format; a scan that stops early, values left over
  // after the last, a word or text cut to its field and a number wrapped are noted, and every
  // number that indexes another kind's list is told.
  template <class R, std::size_t N>
  ScanResult scan(const LineFormat<R, N>& format, R& record) const {
    const ScanResult r = scan_line(text_, format, record);
    const auto matched = static_cast<std::size_t>(r.matched);
    const auto field = [&](std::size_t i) { return format.values[i].in(record); };
    if (r.ragged) real_for_integer(format.shapes, matched);
    if (!r.complete()) {
      bool as_new_ = true;
      for (std::size_t i = matched; i < N; ++i)
        as_new_ = as_new_ && as_new(format.shapes[i], field(i));
      stopped(r.stopped_at, format.shapes, matched, as_new_);
    } else if (!is_text_line(format)) {
      const ValueShape& last = format.shapes[N - 1];
      extra_values(r.stopped_at, N, last,
                   last.kind == ValueKind::Word
                       ? text_of({static_cast<const char*>(field(N - 1)), last.size})
                       : std::string_view());
    }
    if (r.word_cut) {
      const auto place = static_cast<std::size_t>(r.cut_value);
      const ValueShape& cut = format.shapes[place];
      note(seen::Cut{
          &cut, place, r.cut_field - 1,
          ends_in_half_character(text_of({static_cast<const char*>(field(place)), cut.size}))});
    }
    if (r.wrapped) {
      const auto place = static_cast<std::size_t>(r.wrapped_value);
      note(seen::NumberWrapped{&format.shapes[place], place});
    }
    for (std::size_t i = 0; i < matched; ++i) {
      const ValueShape& s = format.shapes[i];
      if (s.stored == Stored::Breaks) {
        breaks_in(s, text_of({static_cast<const char*>(field(i)), s.size}),
                  i + 1 == matched ? r.stopped_at : kNowhere);
      }
      if (s.refers != 0 && s.kind == ValueKind::Int) {
        links_.reference(number_, where_.section, s, *static_cast<const std::int32_t*>(field(i)));
      }
    }
    return r;
  }

  // Reads one number, the line's only value, into `v`: a count line or a single setting.
  ScanResult scan_number(std::int32_t& v, const ValueShape& shape) const;

  // Notes what the rules saw on this line (a line that finds no record, a count cut, ...).
  void note(const seen::Any& what, Columns columns = {}) const {
    report_.note({number_, what, where_, columns});
  }

  // The whole line is a text in which '#' stands for a line break: a full-width one is noted.
  void breaks() const { breaks_in({"text", 0, ValueKind::Text}, text_, text_.size()); }

 private:
  static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

  // A real number given where the integer of `values` at a place below `matched` belongs: noted.
  void real_for_integer(std::span<const ValueShape> values, std::size_t matched) const;
  // The text `held` of a value in which '#' stands for a line break, which ends in the line at
  // `end` (kNowhere: unknown): a full-width '#' in it is noted.
  void breaks_in(const ValueShape& value, std::string_view held, std::size_t end) const;
  // A scan that stopped at `at` with `matched` of the line's `values` read.
  void stopped(std::size_t at, std::span<const ValueShape> values, std::size_t matched,
               bool unreached_as_new) const;
  // What follows the line's last value, from `from` on, if anything: dropped.
  void extra_values(std::size_t from, std::size_t values, const ValueShape& last,
                    std::string_view taken) const;

  std::string_view text_;
  std::uint32_t number_;
  int section_number_;
  Report& report_;
  LinkListener& links_;
  LineContext where_;
  mutable std::int64_t record_ = -1;
  mutable std::int64_t entry_ = -1;
  mutable bool made_table_ = false;
  mutable std::int64_t table_bytes_ = -1;
};

}  // namespace kelv
