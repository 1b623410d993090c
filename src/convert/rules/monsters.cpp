#include "convert/rules/monsters.h"

#include "convert/declare.h"

namespace kelv {
namespace {

// The record order differs from the line order: see the record.
constexpr auto kMonsterLine =
    line(values<&Monster::values1_11>("value", 1),
         value<&Monster::value12>("value12", Stored::ZeroUnreached),
         value<&Monster::value13>("value13", Stored::ZeroUnreached),
         values<&Monster::values14_17>("value", 14), value<&Monster::word18>("word18"),
         value<&Monster::value19>("value19"), value<&Monster::value20>("value20"),
         value<&Monster::word21>("word21"), values<&Monster::values22_26>("value", 22));

constexpr auto kSections =
    sections<MonsterList>(counted<&MonsterList::monsters, &MonsterList::index, kMonsterLine>(
        "monster_number", "monster_data",
        {.note = tr("every count line makes a new table of empty monsters; those read before are "
                    "lost")},
        {.note =
             tr("the monsters go on from the last one filled, also after a second count line")}));
constexpr Group<MonsterList> kGroups[] = {kSections};

}  // namespace

const Declaration<MonsterList>& MonsterList::declaration() {
  static constexpr Declaration<MonsterList> d{
      .about = tr("the monsters"), .line_buffer = kLongLines, .groups = kGroups};
  return d;
}

}  // namespace kelv
