#include "convert/rules/monsters.h"

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: the running index is never set back, not even by a later count section.
struct MonsterReading {
  MonsterList& list;
  std::int64_t next = 0;
};

using R = MonsterReading;

void on_monster(R& r, const Line& l) {
  Monster* m = r.list.monsters.next(l, r.next);
  if (m == nullptr) return;
  // Reals the line does not reach are 0.0, whatever an earlier line held.
  float value12 = 0.0f;
  float value13 = 0.0f;
  auto& a = m->values1_11;
  auto& b = m->values14_17;
  auto& c = m->values22_26;
  l.scan("%d %d %d %d %d %d %d %d %d %d %d %f %f %d %d %d %d %s %d %d %s %d %d %d %d %d", a[0],
         a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], value12, value13, b[0], b[1],
         b[2], b[3], m->word18, m->value19, m->value20, m->word21, c[0], c[1], c[2], c[3], c[4]);
  m->value12 = value12;
  m->value13 = value13;
}

constexpr Section<R> kSections[] = {
    // Every count line makes a new table, discarding the records read so far.
    {"monster_number", [](R& r, const Line& l) { r.list.monsters.count_line(l); }},
    {"monster_data", on_monster},
};

}  // namespace

bool MonsterList::read(ByteSource& source, Report& report) {
  MonsterReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

KeyedData MonsterList::write() {
  KeyedData out(2);
  monsters.write(out, "monster_number", "monster_data");
  return out;
}

void MonsterList::release() {
  monsters.release();
}

}  // namespace kelv
