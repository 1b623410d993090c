#include "convert/rules/enemies.h"

#include <cstdint>

#include "convert/declare.h"

namespace kelv {
namespace {

using Member = EnemyMember;

// Reals the line does not reach are 0.0, whatever an earlier line held; value 10 is stored plus
// one.
constexpr auto kMemberLine =
    line(value<&Member::value1>("value1"), value<&Member::value2>("value2"),
         value<&Member::value3>("value3"), value<&Member::value4>("value4"),
         value<&Member::value5>("value5"), value<&Member::value6>("value6"),
         value<&Member::value7>("value7"), value<&Member::value8>("value8", Stored::ZeroUnreached),
         value<&Member::value9>("value9", Stored::ZeroUnreached),
         value<&Member::value10_plus_one>("value10", Stored::PlusOne),
         value<&Member::value11>("value11"), value<&Member::value12>("value12"),
         value<&Member::value13>("value13"), value<&Member::value14>("value14"),
         value<&Member::value15>("value15"), value<&Member::value16>("value16"),
         value<&Member::value17>("value17"), value<&Member::value18>("value18"),
         value<&Member::value19>("value19"), value<&Member::value20>("value20"),
         value<&Member::value21>("value21"), value<&Member::value22>("value22"),
         value<&Member::value23>("value23"), value<&Member::value24>("value24"));
constexpr ValueShape kMemberCount{"enemies_number"};

constexpr Entries<EnemyGroups, EnemyGroup> kGroups{&EnemyGroups::group_count, &EnemyGroups::groups,
                                                   &EnemyGroups::group, &EnemyGroups::budget,
                                                   EnemyGroups::kGroupBytes};
constexpr EntryList<EnemyGroups, EnemyGroup, Member> kMembers{
    &EnemyGroup::members, &EnemyGroup::member_count, &EnemyGroups::member};

// A group: its member count and members. A group whose member array is absent (no count line, or
// refused) is written as a group of no members, so that the data size tells the bytes that
// follow.
struct GroupEntry {
  template <class D>
  void operator()(D& e, EnemyGroup& g) const {
    e.list(g.members, g.member_count, kMemberLine, kMemberCount);
  }
};

// "</enemy_data>" closes a group. Listed after the group count section, so inside that section
// it is a count line like any other.
constexpr auto kSections = sections<EnemyGroups>(
    entry_count<kGroups>(
        "enemy_number",
        {.note = tr("the number of enemy groups; a count line makes a new table of empty groups")}),
    entry_marker<kGroups, GroupEntry>(
        "enemy_data", {.note = tr("ends a group: the sections after it fill the next group")}),
    entry_list_count<kGroups, kMembers, kMemberCount>(
        {.note = tr("the number of members of the current group; makes a new list of them")}),
    entry_records<kGroups, kMembers, kMemberLine>(
        "enemies_data",
        {.note =
             tr("the members of the current group; the opening tag starts again at the first")}));
constexpr Group<EnemyGroups> kAll[] = {kSections};

}  // namespace

const Declaration<EnemyGroups>& EnemyGroups::declaration() {
  static constexpr Declaration<EnemyGroups> d{
      .about = tr("the enemy groups and their members"), .line_buffer = kLongLines, .groups = kAll};
  return d;
}

void EnemyGroups::start_reading() {
  release();
  group = 0;
  member = 0;
  budget = FieldBudget{kGroupBytes};
}

void EnemyGroups::release() {
  groups.reset();
  group_count = 0;
}

}  // namespace kelv
