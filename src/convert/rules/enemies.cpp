#include "convert/rules/enemies.h"

#include <cstdint>

#include "format/counted_table.h"
#include "format/field_budget.h"

namespace kelv {
namespace {

using M = EnemyMember;

// Every group writes its member count before its members.
constexpr std::int64_t kGroupBytes = 4;

// Reals the line does not reach are 0.0, whatever an earlier line held; value 10 is stored plus
// one.
constexpr auto kMemberLine = line(
    value<&M::value1>("value1"), value<&M::value2>("value2"), value<&M::value3>("value3"),
    value<&M::value4>("value4"), value<&M::value5>("value5"), value<&M::value6>("value6"),
    value<&M::value7>("value7"), value<&M::value8>("value8", Twist::ZeroUnreached),
    value<&M::value9>("value9", Twist::ZeroUnreached),
    value<&M::value10_plus_one>("value10", Twist::PlusOne), value<&M::value11>("value11"),
    value<&M::value12>("value12"), value<&M::value13>("value13"), value<&M::value14>("value14"),
    value<&M::value15>("value15"), value<&M::value16>("value16"), value<&M::value17>("value17"),
    value<&M::value18>("value18"), value<&M::value19>("value19"), value<&M::value20>("value20"),
    value<&M::value21>("value21"), value<&M::value22>("value22"), value<&M::value23>("value23"),
    value<&M::value24>("value24"));
constexpr ValueShape kMemberCount{"enemies_number"};

// One reading. The group index is never set back; the member index is set back by every member
// data section. The budget keeps the whole "enemy_data" field within its 32-bit data size.
struct EnemyReading {
  EnemyGroups& list;
  std::int64_t group = 0;
  std::int64_t member = 0;
  FieldBudget budget{kGroupBytes};
};

using R = EnemyReading;

void on_group_count(R& r, const Line& l) {
  EnemyGroups& c = r.list;
  l.scan_number(c.group_count, kCountValue);
  tell_table(l, r.budget.make_entries(c.groups, c.group_count), c.group_count, kGroupBytes);
}

void on_member_count(R& r, const Line& l) {
  EnemyGroup* g = record_for(l, r.list.groups, r.group);
  if (g == nullptr) return;
  l.scan_number(g->member_count, kMemberCount);
  tell_table(l, r.budget.make_list(g->members, g->member_count), g->member_count, sizeof(M));
}

void on_member(R& r, const Line& l) {
  EnemyGroup* g = record_for(l, r.list.groups, r.group);
  if (M* m = g != nullptr ? next_record(l, g->members, r.member) : nullptr) l.scan(kMemberLine, *m);
}

// "</enemy_data>" closes a group. Listed after the group count section, so inside that section
// it is a count line like any other.
constexpr Section<R> kSections[] = {
    {.name = "enemy_number",
     .on_data = on_group_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of enemy groups; a count line makes a new table of empty groups"},
    {.name = "enemy_data",
     .on_close = [](R& r) { ++r.group; },
     .role = Role::Marker,
     .note = "ends a group: the sections after it fill the next group"},
    {.name = "enemies_number",
     .on_data = on_member_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of members of the current group; makes a new list of them"},
    {.name = "enemies_data",
     .on_data = on_member,
     .on_open = [](R& r) { r.member = 0; },
     .role = Role::Records,
     .unfilled = [](R& r) -> std::int64_t {
       const EnemyGroup* g = r.list.groups.at(r.group);
       return g != nullptr ? unfilled(g->members, r.member) : 0;
     },
     .line = kMemberLine.shape(),
     .note = "the members of the current group; the opening tag starts again at the first"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// A group whose member array is absent (no count line, or refused) is written as a group of no
// members, so that the data size tells the bytes that follow.
template <class L>
void layout(L& l, EnemyGroups& c) {
  l.fields(2);
  l.field("enemy_number", [&](auto& d) { d.i32(c.group_count, kCountValue); });
  l.field_if(c.groups.present(), "enemy_data", [&](auto& d) {
    d.each(c.groups, c.group_count, kGroupBytes, [](auto& e, EnemyGroup& g) {
      e.list(g.members, g.member_count, kMemberLine, kMemberCount);
    });
  });
}

}  // namespace

const Vocabulary& EnemyGroups::vocabulary() const {
  static constexpr Vocabulary v{"the enemy groups and their members", kLongLines, kGroups, {}};
  return v;
}

bool EnemyGroups::read(ByteSource& source, Report& report) {
  release();
  EnemyReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

void EnemyGroups::write(DataWriter& out) {
  layout(out, *this);
}

void EnemyGroups::load(DataReader& in) {
  layout(in, *this);
}

void EnemyGroups::decompile(SourceWriter& out) {
  if (!groups.present() && group_count == 0) return;
  out.count_section("enemy_number", group_count);
  for (const EnemyGroup& g : groups.all()) {
    out.count_section("enemies_number", g.member_count);
    if (g.members.size() > 0) {
      out.records("enemies_data", g.members.all(), kMemberLine);
    }
    out.marker("enemy_data");
  }
}

void EnemyGroups::release() {
  groups.reset();
  group_count = 0;
}

}  // namespace kelv
