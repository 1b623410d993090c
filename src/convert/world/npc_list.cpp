#include "convert/world/npc_list.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kNpcLine =
    line(value<&Npc::value1>("value1"), value<&Npc::value2>("value2"),
         value<&Npc::value3>("value3"), value<&Npc::value4>("value4"),
         values<&Npc::values5_8>("value", 5), values<&Npc::values9_12>("value", 9),
         value<&Npc::value13>("value13"), value<&Npc::first_word>("word14"),
         values<&Npc::values15_31>("value", 15), value<&Npc::second_word>("word32"));
// What the file holds of a person: the line without its second word, in line order (values 1
// to 13, the first word, values 15 to 31). At most 380 bytes are written of a 484-byte record,
// so a table that could be made fits.
constexpr auto kWrittenLine = kNpcLine.first<31>();

// One record per line, also for an empty or unreadable line.
constexpr auto kSections = sections<NpcList>(
    counted<&NpcList::npcs, &NpcList::index, kNpcLine,
            CountedRules{.restarts = true, .written = Written::Lines}, kWrittenLine>(
        "npc_number", "npc_data",
        {.note =
             tr("every count line makes a new table of empty people; those read before are lost")},
        {.note = tr("the opening tag starts again at the first person; the second word is read but "
                    "never written")}));
constexpr Group<NpcList> kGroups[] = {kSections};

}  // namespace

const Declaration<NpcList>& NpcList::declaration() {
  static constexpr Declaration<NpcList> d{
      .about = tr("the people of the world"),
      .line_buffer = kShortLines,
      .groups = kGroups,
      .provides = kNpcList,
      .size = [](const NpcList& c) { return std::int64_t{c.npcs.count}; }};
  return d;
}

}  // namespace kelv
