#include "convert/rules/level_abilities.h"

#include <utility>

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: every data section fills the table again from its first record.
struct LevelAbilityReading {
  LevelAbilityList& list;
  std::int64_t next = 0;
};

using R = LevelAbilityReading;

void on_count(R& r, const Line& l) {
  LevelAbilityList& c = r.list;
  l.scan("%d", c.level_ability_count);
  if (!c.level_abilities.make(c.level_ability_count)) {
    l.note(Note::TableRefused, c.level_ability_count);
  }
}

void on_ability(R& r, const Line& l) {
  LevelAbility* a = r.list.level_abilities.at(r.next);
  if (a == nullptr) {
    l.note(Note::LineUnused);
    return;
  }
  auto& v = a->values;
  l.scan("%s %d %d %d %d %d %d %d %d", a->word, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  ++r.next;
}

constexpr Section<R> kSections[] = {
    {"level_ability_number", on_count},
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
  out.field("level_ability_number", 4);
  out.i32(level_ability_count);
  if (level_abilities.present()) {
    out.field("level_ability_data", static_cast<std::int64_t>(level_abilities.all().size_bytes()));
    out.records(std::as_const(level_abilities).all());
  }
  out.field("level_ability_message", KeyedData::counted_size(level_ability_message));
  out.counted(level_ability_message);
  return out;
}

void LevelAbilityList::release() {
  level_abilities.reset();
  level_ability_count = 0;
}

}  // namespace kelv
