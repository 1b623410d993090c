#include "convert/rules/level_abilities.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kAbilityLine =
    line(value<&LevelAbility::word>("word"), values<&LevelAbility::values>("value", 1));
// The whole line, blanks included; the last line of the section wins, an empty one too.
constexpr auto kMessageLine =
    line(text<&LevelAbilityList::level_ability_message>("level_ability_message"));

constexpr auto kSections = sections<LevelAbilityList>(
    counted<&LevelAbilityList::level_abilities, &LevelAbilityList::index, kAbilityLine,
            CountedRules{.restarts = true}>(
        "level_ability_number", "level_ability_data",
        {.note = tr("every count line makes a new table of empty abilities; those read before are "
                    "lost")},
        {.note = tr("the opening tag starts again at the first ability")}),
    value_section<kMessageLine>({.note = tr("the whole line"), .carries_over = true}));
constexpr Group<LevelAbilityList> kGroups[] = {kSections};

}  // namespace

const Declaration<LevelAbilityList>& LevelAbilityList::declaration() {
  static constexpr Declaration<LevelAbilityList> d{
      .about = tr("the level abilities and their message"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

}  // namespace kelv
