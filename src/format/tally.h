// What the lines of one reading gave the tables, as the section walker sees it
// (format/sections.h): which records and entries lines filled, and at which lines; which count
// lines still wait for the lines of their data section; which entries were filled anew before the
// tag that ends one. From it the walker tells what the read rules lose without a word: the records
// a count line throws away with the table they were in, a count whose lines never come, an entry
// filled over, entries written empty.
//
// Sections are known here by their numbers, as the walker numbers them (from 1); an entry is one of
// a table of entries (a shop, an enemy group, an effect, an animation, a flag), a record one of a
// table that a count line makes, in an entry's own list or in none (entry -1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "format/report.h"

namespace kelv {

class Tally {
 public:
  // An entry given one of its sections a second time before the tag that ends an entry: the
  // lines from `line`, that section's opening tag, fill it anew.
  struct Overwrite {
    std::uint32_t line;
    std::size_t section;
    std::int64_t entry;
    std::uint32_t first_given;  // where the section was given to the entry before
    std::uint32_t from;         // the first line that filled the entry
  };
  // A count line whose data section has not come since, and the line that opened its section.
  struct Waiting {
    std::size_t count;
    std::uint32_t line;
    std::uint32_t opened_at;
  };

  Tally() = default;
  // For a walk through `sections` sections; `entries` is the count section of the table of
  // entries, 0 where there is none.
  Tally(std::size_t sections, std::size_t entries);

  // A line of `section`, opened at `opened_at`, filled entry `entry`.
  void entry_line(std::size_t section, std::uint32_t opened_at, std::uint32_t line,
                  std::int64_t entry);
  // A line of the data section `data`, which the count section `count` counts, filled record
  // `record` of the list of entry `entry`.
  void record_line(std::size_t count, std::string_view data, std::uint32_t line, std::int64_t entry,
                   std::int64_t record);
  // A line of the count section `count` (opened at `opened_at`), for the list of entry `entry`;
  // `waits` where the count
  // has a data section to wait for. Where the line `made` a new table in place of the one before,
  // the records lines had given that table are lost: returned, with the line that counted them in
  // `counted_at`, unless an overwrite of the entry tells of them already.
  std::optional<seen::RecordsLost> count_line(std::size_t count, std::uint32_t opened_at,
                                              std::uint32_t line, std::int64_t entry, bool made,
                                              bool waits, std::uint32_t& counted_at);
  // The data section that `count` counts was left: its count waits no more.
  void left(std::size_t count) { waiting_[count] = {}; }
  // The count lines still waiting, which wait no more: all, or only those of an entry's list (at
  // the end of the entry).
  std::vector<Waiting> stop_waiting(bool entry_lists_only);

  // The entries of the table of entries that lines filled: up to the last filled, since the
  // count line that made the table.
  std::int64_t entries_given() const;
  // The line that made the table of entries; 0: none.
  std::uint32_t entries_counted_at() const { return entries_ != 0 ? filled_[entries_].made_at : 0; }
  // Every overwrite of an entry, in line order; those of the table of entries as it is now from
  // the one at first_of_table() on.
  std::span<const Overwrite> overwrites() const { return overwrites_; }
  std::size_t first_of_table() const { return overwrites_of_table_; }

 private:
  // The records of one table that lines filled, and the lines that filled them: lines fill a
  // table's records one after the other, so they are the records from `lowest` to `highest`.
  struct Filled {
    std::int64_t entry = -1;  // the entry whose list the table is; -1: none
    std::uint32_t made_at = 0;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::int64_t lowest = 0;
    std::int64_t highest = -1;
    std::string_view data = {};
  };
  struct Wait {
    std::uint32_t line = 0;  // 0: not waiting
    std::uint32_t opened_at = 0;
    std::int64_t entry = -1;
  };

  void fill(Filled& f, std::string_view data, std::uint32_t line, std::int64_t entry,
            std::int64_t record);
  bool overwritten(std::int64_t entry) const;

  std::size_t entries_ = 0;
  std::vector<Filled> filled_;         // by count section
  std::vector<Wait> waiting_;          // by count section
  std::vector<std::uint32_t> opened_;  // by section: where it was opened for the current entry
  std::int64_t entry_ = -1;            // the entry the lines last filled
  std::uint32_t entry_from_ = 0;       // the first line that filled it
  std::vector<Overwrite> overwrites_;
  std::size_t overwrites_of_table_ = 0;  // the first overwrite of the current table of entries
};

}  // namespace kelv
