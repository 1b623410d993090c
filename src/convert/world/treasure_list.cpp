#include "convert/world/treasure_list.h"

#include "format/sections.h"

namespace kelv {
namespace {

using T = TreasureList;

// Every count line makes a new empty table; the running index goes on from where it was, so
// later lines fill records from there on.
void on_count(T& c, const Line& l) {
  l.scan("%d", c.treasure_number);
  // Bounded so that the written records (36 bytes each) fit a field's data size.
  if (!c.treasure_data.make(c.treasure_number,
                            Table<Treasure>::kMaxBytes / T::kWrittenSize * sizeof(Treasure))) {
    l.note(Note::TableRefused, c.treasure_number);
  }
}

// A treasure line that finds no free record refuses the whole source; reading goes on to the end.
void on_data(T& c, const Line& l) {
  Treasure* t = c.treasure_data.at(c.index);  // a present table holds treasure_number records
  if (t == nullptr) {
    l.note(Note::LineUnused);
    if (c.refused_lines++ == 0) {
      c.first_refused = l.number();
      c.refused_without_table = !c.treasure_data.present();
    }
    return;
  }
  l.scan("%d %d %d %d %d %d %d %d %d", t->first[0], t->first[1], t->first[2], t->first[3],
         t->first[4], t->first[5], t->last[0], t->last[1], t->last[2]);
  ++c.index;
}

constexpr Section<T> kSections[] = {
    {"treasure_number", on_count},
    {"treasure_data", on_data},
};

}  // namespace

bool TreasureList::read(ByteSource& source, Report& report) {
  treasure_data.reset();
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
             : "no free record (treasure_number is " + std::to_string(treasure_number) + ")";
  if (refused_lines > 1) {
    why += ", and " + std::to_string(refused_lines - 1) + " more such line";
    if (refused_lines > 2) why += 's';
  }
  return why;
}

KeyedData TreasureList::write() {
  KeyedData out(2);
  out.field("treasure_number", 4);
  out.i32(treasure_number);
  if (treasure_data.present()) {
    out.field("treasure_data", static_cast<std::int64_t>(treasure_data.size()) * kWrittenSize);
    for (const Treasure& t : treasure_data.all()) {
      for (const std::int32_t v : t.first)
        out.i32(v);
      for (const std::int32_t v : t.last)
        out.i32(v);
    }
  }
  return out;
}

void TreasureList::release() {
  treasure_data.reset();
  treasure_number = 0;
}

}  // namespace kelv
