#include "convert/story/narration.h"

#include <utility>

#include "format/sections.h"

namespace kelv {

struct NarrationSections {
  using N = NarrationList;

  // A count line makes a new table even when it holds no number; records read before are lost.
  static void on_count(N& c, const Line& l) {
    l.scan("%d", c.count);
    if (!c.table.make(c.count)) l.note(Note::TableRefused, c.count);
  }

  // A line that does not scan still uses up its record.
  static void on_data(N& c, const Line& l) {
    NarrationRecord* r = c.index_ < c.count ? c.table.at(c.index_) : nullptr;
    if (r == nullptr) {
      l.note(Note::LineUnused);
      return;
    }
    l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %s %d", r->value1, r->value2, r->value3, r->value4,
           r->value5, r->value6, r->value7, r->value8, r->value9, r->value10, r->value11,
           r->value12, r->text, r->value13);
    ++c.index_;
  }

  static constexpr Section<N> kSections[] = {
      {"narration_number", on_count},
      {"narration_data", on_data},
  };
};

bool NarrationList::read(ByteSource& source, Report& report) {
  table.reset();
  index_ = 0;
  walk<NarrationList>(source, kShortLines, *this, NarrationSections::kSections, report);
  return true;
}

KeyedData NarrationList::write() {
  KeyedData out(2);
  out.field("narration_number", 4);
  out.i32(count);
  if (!table.present()) return out;
  // The table holds exactly `count` records whenever it is present.
  const std::span<const NarrationRecord> records = std::as_const(table).all();
  std::int64_t size = 0;
  for (const NarrationRecord& r : records)
    size += 52 + KeyedData::counted_size(r.text);
  out.field("narration_data", size);
  for (const NarrationRecord& r : records) {
    for (const std::int32_t v : {r.value1, r.value2, r.value3, r.value4, r.value5, r.value6,
                                 r.value7, r.value8, r.value9, r.value10, r.value11, r.value12}) {
      out.i32(v);
    }
    out.counted(r.text);
    out.i32(r.value13);
  }
  return out;
}

void NarrationList::release() {
  table.reset();
  count = 0;
}

}  // namespace kelv
