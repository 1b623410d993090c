#include "convert/story/narration.h"

#include <utility>

#include "format/sections.h"

namespace kelv {

struct NarrationSections {
  using N = NarrationList;

  // A line that does not scan still uses up its record.
  static void on_data(N& c, const Line& l) {
    NarrationRecord* r = c.records.next(l, c.index_);
    if (r == nullptr) return;
    l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %s %d", r->value1, r->value2, r->value3, r->value4,
           r->value5, r->value6, r->value7, r->value8, r->value9, r->value10, r->value11,
           r->value12, r->text, r->value13);
  }

  static constexpr Section<N> kSections[] = {
      // A count line makes a new table even when it holds no number; records read before are
      // lost.
      {"narration_number", [](N& c, const Line& l) { c.records.count_line(l); }},
      {"narration_data", on_data},
  };
};

bool NarrationList::read(ByteSource& source, Report& report) {
  records.table.reset();  // the count stays until the conversion is released
  index_ = 0;
  walk<NarrationList>(source, kShortLines, *this, NarrationSections::kSections, report);
  return true;
}

KeyedData NarrationList::write() {
  KeyedData out(2);
  out.i32_field("narration_number", records.count);
  if (!records.table.present()) return out;
  // The table holds exactly `count` records whenever it is present.
  const std::span<const NarrationRecord> held = std::as_const(records.table).all();
  std::int64_t size = 0;
  for (const NarrationRecord& r : held)
    size += 52 + KeyedData::counted_size(r.text);
  out.field("narration_data", size);
  for (const NarrationRecord& r : held) {
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
  records.release();
}

}  // namespace kelv
