#include "convert/rules/levels.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kLevelLine =
    line(value<&LevelEntry::value1>("value1"), value<&LevelEntry::value2>("value2"));
constexpr auto kAddLine = line(values<&LevelList::level_add>("value", 1));
constexpr auto kMaxLine = line(value<&LevelList::level_max>("level_max"));

constexpr auto kSections = sections<LevelList>(
    counted<&LevelList::levels, &LevelList::index, kLevelLine>(
        "level_number", "level_data",
        {.note =
             tr("every count line makes a new table of empty levels; levels read before are lost")},
        {.note = tr("the levels go on from the last one filled, also in a second data section")}),
    line_section<kAddLine>("level_add", {.carries_over = true}),
    value_section<kMaxLine>({.carries_over = true}));
constexpr Group<LevelList> kGroups[] = {kSections};

}  // namespace

const Declaration<LevelList>& LevelList::declaration() {
  static constexpr Declaration<LevelList> d{
      .about = tr("the levels, the level add pair and the level maximum"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

}  // namespace kelv
