#include "convert/world/treasure_list.h"

#include "format/sections.h"

namespace kelv {
namespace {

using T = TreasureList;

// Every count line makes a new empty table; the running index goes on from where it was, so
// later lines fill records from there on. The table is bounded so that the written records
// (36 bytes each) fit a field's data size.
void on_count(T& c, const Line& l) {
  c.treasures.count_line(l, Table<Treasure>::kMaxBytes / T::kWrittenSize * sizeof(Treasure));
}

// A treasure line that finds no free record refuses the whole source; reading goes on to the end.
void on_data(T& c, const Line& l) {
  Treasure* t = c.treasures.next(l, c.index);
  if (t == nullptr) {
    if (c.refused_lines++ == 0) {
      c.first_refused = l.number();
      c.refused_without_table = !c.treasures.table.present();
    }
    return;
  }
  l.scan("%d %d %d %d %d %d %d %d %d", t->first[0], t->first[1], t->first[2], t->first[3],
         t->first[4], t->first[5], t->last[0], t->last[1], t->last[2]);
}

constexpr Section<T> kSections[] = {
    {"treasure_number", on_count},
    {"treasure_data", on_data},
};

}  // namespace

bool TreasureList::read(ByteSource& source, Report& report) {
  treasures.table.reset();
  index = 0;
  refused_lines = 0;
  first_refused = 0;
  refused_without_table = false;
  walk<T>(source, kLongLines, *this, kSections, report);
  return refused_lines == 0;
}

std::string TreasureList::refusal() const {
  if (refused_lines == 0) return {};
  std::string why = "line " + std::to_string(first_refused) + ": a treasure line finds ";
  why += refused_without_table
             ? "no treasure table (no usable <treasure_number> before it)"
             : "no free record (treasure_number is " + std::to_string(treasures.count) + ")";
  if (refused_lines > 1) {
    why += ", and " + std::to_string(refused_lines - 1) + " more such line";
    if (refused_lines > 2) why += 's';
  }
  return why;
}

KeyedData TreasureList::write() {
  KeyedData out(2);
  out.i32_field("treasure_number", treasures.count);
  if (treasures.table.present()) {
    out.field("treasure_data", static_cast<std::int64_t>(treasures.table.size()) * kWrittenSize);
    for (const Treasure& t : treasures.table.all()) {
      for (const std::int32_t v : t.first)
        out.i32(v);
      for (const std::int32_t v : t.last)
        out.i32(v);
    }
  }
  return out;
}

void TreasureList::release() {
  treasures.release();
}

}  // namespace kelv
