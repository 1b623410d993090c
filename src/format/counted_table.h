// Counted lists. A counted table holds the count a count line gives and the table it made; data
// lines then fill the records one after the other through a running index, which the converter
// keeps and sets back where its own rules say so. The record lookups below serve every table a
// data line fills; a list of fixed size needs only its count line.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "format/sections.h"
#include "format/table.h"

namespace kelv {

// The record of `table` at `index` for a data line; nullptr, noted as an unused line, when the
// table is absent or too short.
template <class R>
R* record_for(const Line& l, Table<R>& table, std::int64_t index) {
  R* r = table.at(index);
  if (r == nullptr)
    l.note(seen::LineUnused::counted(table.present(), static_cast<std::int64_t>(table.size())));
  return r;
}

// The entry of a table of entries at `index` for a line of one of its sections; nullptr, noted
// as an unused line, when there is none.
template <class E>
E* entry_for(const Line& l, Table<E>& table, std::int64_t index) {
  E* e = record_for(l, table, index);
  if (e != nullptr) l.at_entry(index);
  return e;
}

// After a count line made a table of `count` records of `bytes` each in place of the one before,
// or could not: a table that cannot be made, and one so large that a digit too many is likely,
// are told.
inline void tell_table(const Line& l, bool made, std::int64_t count, std::int64_t bytes) {
  l.made_table(made ? count * bytes : -1);
  if (!made) {
    l.note(seen::TableRefused{count});
  } else if (count * bytes > kHugeTable) {
    l.note(seen::HugeTable{count, count * bytes});
  }
}

// The records of a table that no line has filled yet, the running index at `index`.
template <class R>
std::int64_t unfilled(const Table<R>& table, std::int64_t index) {
  return std::max<std::int64_t>(0, static_cast<std::int64_t>(table.size()) - index);
}

// The same for a line that takes the record at the running `index`, which then moves on past it.
// Every line that finds a record uses it up, whether or not it scans.
template <class R>
R* next_record(const Line& l, Table<R>& table, std::int64_t& index) {
  R* r = record_for(l, table, index);
  if (r != nullptr) l.at_record(index++);
  return r;
}

// The line of a count section: one number.
inline constexpr ValueShape kCountValue{"count"};
inline constexpr std::array<ValueShape, 1> kCountLine{kCountValue};

// The count line of a list that holds at most `most` entries: the count stays as it was when the
// line holds no number, and is cut to `most`. A negative count stays.
inline void count_line_at_most(const Line& l, std::int32_t& count, std::int32_t most) {
  l.scan_number(count, kCountValue);
  if (count > most) {
    l.note(seen::CountClamped{count, most});
    count = most;
  }
}

template <class R>
struct CountedTable {
  std::int32_t count = 0;
  Table<R> table;  // absent before a count line and when the count cannot make it

  // A count line makes a new zero-filled table in place of the old one, also when it holds no
  // number (the count then stays); records read before are lost. `max_bytes` bounds the table's
  // bytes where its records write other than they are held. With `file`, the table is made in
  // the data file (format/table.h).
  void count_line(const Line& l, std::int64_t max_bytes = Table<R>::kMaxBytes,
                  DataStream* file = nullptr) {
    l.scan_number(count, kCountValue);
    tell_table(l, table.make(count, max_bytes, file), count, sizeof(R));
  }

  // The record at the running `index` for a data line (a present table holds `count` records).
  R* next(const Line& l, std::int64_t& index) { return next_record(l, table, index); }

  void release() {
    table.reset();
    count = 0;
  }
};

}  // namespace kelv
