#include "convert/rules/level_abilities.h"

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: every data section fills the table again from its first record.
struct LevelAbilityReading {
  LevelAbilityList& list;
  std::int64_t next = 0;
};

using R = LevelAbilityReading;

void on_ability(R& r, const Line& l) {
  LevelAbility* a = r.list.level_abilities.next(l, r.next);
  if (a == nullptr) return;
  auto& v = a->values;
  l.scan("%s %d %d %d %d %d %d %d %d", a->word, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
}

constexpr Section<R> kSections[] = {
    {"level_ability_number", [](R& r, const Line& l) { r.list.level_abilities.count_line(l); }},
    {"level_ability_data", on_ability, [](R& r) { r.next = 0; }},
    // The whole line, blanks included; the last line of the section wins, an empty one too.
    {"level_ability_message",
     [](R& r, const Line& l) { l.copy_into(r.list.level_ability_message); }},
};

}  // namespace

bool LevelAbilityList::read(ByteSource& source, Report& report) {
  LevelAbilityReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

KeyedData LevelAbilityList::write() {
  KeyedData out(3);
  level_abilities.write(out, "level_ability_number", "level_ability_data");
  out.field("level_ability_message", KeyedData::counted_size(level_ability_message));
  out.counted(level_ability_message);
  return out;
}

void LevelAbilityList::release() {
  level_abilities.release();
}

}  // namespace kelv
