#include "convert/system/sound_list.h"

#include <algorithm>

#include "format/counted_table.h"
#include "format/sections.h"

namespace kelv {

struct SoundSections {
  using S = SoundList;

  static void on_count(S& c, const Line& l) { count_line_at_most(l, c.count, S::kMaxEntries); }

  static void on_data_open(S& c) { c.index_ = 0; }

  // The whole line, blanks and all, is the entry; an empty line is an empty entry.
  static void on_data(S& c, const Line& l) {
    if (c.index_ >= c.count) {
      l.note(Note::LineUnused);
      return;
    }
    l.copy_into(c.entries[static_cast<std::size_t>(c.index_)]);
    ++c.index_;
  }
};

bool SoundList::read(ByteSource& source, Report& report) {
  count = 0;
  std::ranges::fill(entries, Entry{});
  index_ = 0;
  const Section<SoundList> sections[] = {
      {words_.number, SoundSections::on_count},
      {words_.data, SoundSections::on_data, SoundSections::on_data_open},
  };
  walk<SoundList>(source, kShortLines, *this, sections, report);
  return true;
}

KeyedData SoundList::write() {
  const std::span<const Entry> listed(entries.data(), static_cast<std::size_t>(std::max(count, 0)));
  std::int64_t size = 0;
  for (const Entry& e : listed)
    size += KeyedData::counted_size(e);
  KeyedData out(2);
  out.i32_field(words_.number, count);
  out.field(words_.data, size);
  for (const Entry& e : listed)
    out.counted(e);
  return out;
}

}  // namespace kelv
