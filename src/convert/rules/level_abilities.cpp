#include "convert/rules/level_abilities.h"

namespace kelv {
namespace {

constexpr auto kAbilityLine =
    line(value<&LevelAbility::word>("word"), values<&LevelAbility::values>("value", 1));
constexpr auto kMessageLine =
    line(text<&LevelAbilityList::level_ability_message>("level_ability_message"));

// One reading: every data section fills the table again from its first record.
struct LevelAbilityReading {
  LevelAbilityList& list;
  std::int64_t next = 0;
};

using R = LevelAbilityReading;

void on_ability(R& r, const Line& l) {
  if (LevelAbility* a = r.list.level_abilities.next(l, r.next)) l.scan(kAbilityLine, *a);
}

constexpr Section<R> kSections[] = {
    {.name = "level_ability_number",
     .on_data = [](R& r, const Line& l) { r.list.level_abilities.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty abilities; those read before are lost"},
    {.name = "level_ability_data",
     .on_data = on_ability,
     .on_open = [](R& r) { r.next = 0; },
     .role = Role::Records,
     .unfilled = [](R& r) { return unfilled(r.list.level_abilities.table, r.next); },
     .line = kAbilityLine.shape(),
     .note = "the opening tag starts again at the first ability"},
    // The whole line, blanks included; the last line of the section wins, an empty one too.
    {.name = "level_ability_message",
     .on_data = [](R& r, const Line& l) { l.scan(kMessageLine, r.list); },
     .line = kMessageLine.shape(),
     .note = "the whole line; kept for the next level ability file of the run"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

template <class L>
void layout(L& l, LevelAbilityList& c) {
  l.fields(3);
  counted_fields(l, c.level_abilities, "level_ability_number", "level_ability_data", kAbilityLine);
  l.field("level_ability_message", [&](auto& d) { d.line(kMessageLine, c); });
}

}  // namespace

const Vocabulary& LevelAbilityList::vocabulary() const {
  static constexpr Vocabulary v{"the level abilities and their message", kShortLines, kGroups,
                                "the message the earlier file gave"};
  return v;
}

bool LevelAbilityList::read(ByteSource& source, Report& report) {
  LevelAbilityReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

void LevelAbilityList::write(DataWriter& out) {
  layout(out, *this);
}

void LevelAbilityList::load(DataReader& in) {
  layout(in, *this);
}

void LevelAbilityList::decompile(SourceWriter& out) {
  decompile_counted(out, level_abilities, "level_ability_number", "level_ability_data",
                    kAbilityLine);
  out.section("level_ability_message", kMessageLine, *this);
}

void LevelAbilityList::release() {
  level_abilities.release();
}

}  // namespace kelv
