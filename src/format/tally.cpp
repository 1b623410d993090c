#include "format/tally.h"

#include <algorithm>

namespace kelv {

Tally::Tally(std::size_t sections, std::size_t entries)
    : entries_(entries), filled_(sections + 1), waiting_(sections + 1), opened_(sections + 1) {}

void Tally::fill(Filled& f, std::string_view data, std::uint32_t line, std::int64_t entry,
                 std::int64_t record) {
  if (f.entry != entry) f = Filled{.entry = entry};
  if (f.highest < f.lowest) {
    f.first = line;
    f.lowest = f.highest = record;
  } else {
    f.lowest = std::min(f.lowest, record);
    f.highest = std::max(f.highest, record);
  }
  f.last = line;
  f.data = data;
}

void Tally::entry_line(std::size_t section, std::uint32_t opened_at, std::uint32_t line,
                       std::int64_t entry) {
  if (entries_ != 0) fill(filled_[entries_], {}, line, -1, entry);
  if (entry != entry_) {
    entry_ = entry;
    entry_from_ = line;
    std::ranges::fill(opened_, 0);
  }
  std::uint32_t& opened = opened_[section];
  if (opened == 0 || opened == opened_at) {
    opened = opened_at;
    return;
  }
  // The section opens again for the same entry: what the entry was given before is filled over.
  overwrites_.push_back({opened_at, section, entry, opened, entry_from_});
  std::ranges::fill(opened_, 0);
  opened = opened_at;
  entry_from_ = opened_at;
}

void Tally::record_line(std::size_t count, std::string_view data, std::uint32_t line,
                        std::int64_t entry, std::int64_t record) {
  fill(filled_[count], data, line, entry, record);
}

bool Tally::overwritten(std::int64_t entry) const {
  return std::ranges::any_of(std::span(overwrites_).subspan(overwrites_of_table_),
                             [entry](const Overwrite& o) { return o.entry == entry; });
}

std::optional<seen::RecordsLost> Tally::count_line(std::size_t count, std::uint32_t opened_at,
                                                   std::uint32_t line, std::int64_t entry,
                                                   bool made, bool waits,
                                                   std::uint32_t& counted_at) {
  std::optional<seen::RecordsLost> lost;
  if (made) {
    Filled& f = filled_[count];
    const bool of_entries = count == entries_;
    if (f.highest >= f.lowest && f.entry == entry && (of_entries || !overwritten(entry))) {
      lost = seen::RecordsLost{f.highest - f.lowest + 1, f.first, f.last, f.data, of_entries};
      counted_at = f.made_at;
    }
    f = Filled{.entry = entry, .made_at = line};
    if (of_entries) {
      std::ranges::fill(opened_, 0);
      entry_ = -1;
      overwrites_of_table_ = overwrites_.size();
    }
  }
  waiting_[count] = waits ? Wait{line, opened_at, entry} : Wait{};
  return lost;
}

std::vector<Tally::Waiting> Tally::stop_waiting(bool entry_lists_only) {
  std::vector<Waiting> out;
  for (std::size_t k = 0; k < waiting_.size(); ++k) {
    Wait& w = waiting_[k];
    if (w.line == 0 || (entry_lists_only && w.entry < 0)) continue;
    out.push_back({k, w.line, w.opened_at});
    w = {};
  }
  return out;
}

std::int64_t Tally::entries_given() const {
  if (entries_ == 0) return 0;
  const Filled& f = filled_[entries_];
  return f.highest >= f.lowest ? f.highest + 1 : 0;
}

}  // namespace kelv
