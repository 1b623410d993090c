#include "convert/rules/monsters.h"

namespace kelv {
namespace {

// The record order differs from the line order: see the record.
constexpr auto kMonsterLine =
    line(values<&Monster::values1_11>("value", 1),
         value<&Monster::value12>("value12", Twist::ZeroUnreached),
         value<&Monster::value13>("value13", Twist::ZeroUnreached),
         values<&Monster::values14_17>("value", 14), value<&Monster::word18>("word18"),
         value<&Monster::value19>("value19"), value<&Monster::value20>("value20"),
         value<&Monster::word21>("word21"), values<&Monster::values22_26>("value", 22));

// One reading: the running index is never set back, not even by a later count section.
struct MonsterReading {
  MonsterList& list;
  std::int64_t next = 0;
};

using R = MonsterReading;

void on_monster(R& r, const Line& l) {
  if (Monster* m = r.list.monsters.next(l, r.next)) l.scan(kMonsterLine, *m);
}

constexpr Section<R> kSections[] = {
    {.name = "monster_number",
     .on_data = [](R& r, const Line& l) { r.list.monsters.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty monsters; those read before are lost"},
    {.name = "monster_data",
     .on_data = on_monster,
     .role = Role::Records,
     .unfilled = [](R& r) { return unfilled(r.list.monsters.table, r.next); },
     .line = kMonsterLine.shape(),
     .note = "the monsters go on from the last one filled, also after a second count line"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

template <class L>
void layout(L& l, MonsterList& c) {
  l.fields(2);
  counted_fields(l, c.monsters, "monster_number", "monster_data", kMonsterLine);
}

}  // namespace

const Vocabulary& MonsterList::vocabulary() const {
  static constexpr Vocabulary v{"the monsters", kLongLines, kGroups, {}};
  return v;
}

bool MonsterList::read(ByteSource& source, Report& report) {
  MonsterReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

void MonsterList::write(DataWriter& out) {
  layout(out, *this);
}

void MonsterList::load(DataReader& in) {
  layout(in, *this);
}

void MonsterList::decompile(SourceWriter& out) {
  decompile_counted(out, monsters, "monster_number", "monster_data", kMonsterLine);
}

void MonsterList::release() {
  monsters.release();
}

}  // namespace kelv
