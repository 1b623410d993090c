#include "convert/world/treasure_list.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kTreasureLine =
    line(values<&Treasure::first>("value", 1), values<&Treasure::last>("value", 7));

// A treasure line that finds no free record refuses the whole source; reading goes on to the end.
void on_treasure(TreasureList& c, const Line& l) {
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

// Every count line makes a new empty table; the running index goes on from where it was, so
// later lines fill records from there on. The table is bounded so that the written records
// (36 bytes each, only the nine values in line order) fit a field's data size.
constexpr auto kSections = [] {
  auto list = counted<&TreasureList::treasures, &TreasureList::index, kTreasureLine,
                      CountedRules{.written = Written::Lines,
                                   .max_bytes = Table<Treasure>::kMaxBytes /
                                                TreasureList::kWrittenSize * sizeof(Treasure)}>(
      "treasure_number", "treasure_data",
      {.note = tr("every count line makes a new table of empty treasures; those read before are "
                  "lost")},
      {.note =
           tr("the treasures go on from the last one filled; a line that finds no free treasure "
              "(no count before it, or more lines than the count) refuses the whole file")});
  list[1].on_data = on_treasure;
  return list;
}();
constexpr Group<TreasureList> kGroups[] = {kSections};

}  // namespace

const Declaration<TreasureList>& TreasureList::declaration() {
  static constexpr Declaration<TreasureList> d{
      .about = tr("the treasures the scenes hand out"),
      .line_buffer = kLongLines,
      .groups = kGroups,
      .provides = kTreasureList,
      .size = [](const TreasureList& c) { return std::int64_t{c.treasures.count}; }};
  return d;
}

void TreasureList::start_reading() {
  treasures.table.reset();
  index = 0;
  refused_lines = 0;
  first_refused = 0;
  refused_without_table = false;
}

std::optional<Refusal> TreasureList::end_reading() {
  if (refused_lines == 0) return std::nullopt;
  std::string why =
      refused_without_table
          ? tr("a treasure line finds no treasure table (no usable <treasure_number> before it)")()
          : tr("a treasure line finds no free record (treasure_number is {1})")(treasures.count);
  if (refused_lines > 1) {
    why += tr(", and {1} more such line", ", and {1} more such lines").n(refused_lines - 1);
  }
  return Refusal{first_refused, why};
}

}  // namespace kelv
