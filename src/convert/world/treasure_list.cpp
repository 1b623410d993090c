#include "convert/world/treasure_list.h"

namespace kelv {
namespace {

using T = TreasureList;

constexpr auto kTreasureLine =
    line(values<&Treasure::first>("value", 1), values<&Treasure::last>("value", 7));

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
  l.scan(kTreasureLine, *t);
}

constexpr Section<T> kSections[] = {
    {.name = "treasure_number",
     .on_data = on_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty treasures; those read before are lost"},
    {.name = "treasure_data",
     .on_data = on_data,
     .role = Role::Records,
     .unfilled = [](T& c) { return unfilled(c.treasures.table, c.index); },
     .line = kTreasureLine.shape(),
     .note = "the treasures go on from the last one filled; a line that finds no free treasure "
             "(no count before it, or more lines than the count) refuses the whole file"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// Only the nine values of a treasure are written, in line order.
template <class L>
void layout(L& l, T& c) {
  l.fields(2);
  l.field("treasure_number", [&](auto& d) { d.i32(c.treasures.count, kCountValue); });
  l.field_if(c.treasures.table.present(), "treasure_data", [&](auto& d) {
    d.each(c.treasures.table, c.treasures.count, T::kWrittenSize,
           [](auto& e, Treasure& t) { e.line(kTreasureLine, t); });
  });
}

}  // namespace

const Vocabulary& TreasureList::vocabulary() const {
  static constexpr Vocabulary v{"the treasures the scenes hand out", kLongLines, kGroups, {}};
  return v;
}

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

void TreasureList::write(DataWriter& out) {
  layout(out, *this);
}

void TreasureList::load(DataReader& in) {
  layout(in, *this);
}

void TreasureList::decompile(SourceWriter& out) {
  decompile_counted(out, treasures, "treasure_number", "treasure_data", kTreasureLine);
}

void TreasureList::release() {
  treasures.release();
}

}  // namespace kelv
