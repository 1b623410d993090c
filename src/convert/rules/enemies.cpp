#include "convert/rules/enemies.h"

#include <cstdint>

#include "format/counted_table.h"
#include "format/field_budget.h"
#include "format/sections.h"

namespace kelv {
namespace {

// Every group writes its member count before its members.
constexpr std::int64_t kGroupBytes = 4;

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
  l.scan("%d", c.group_count);
  if (!r.budget.make_entries(c.groups, c.group_count)) l.note(Note::TableRefused, c.group_count);
}

void on_member_count(R& r, const Line& l) {
  EnemyGroup* g = record_for(l, r.list.groups, r.group);
  if (g == nullptr) return;
  l.scan("%d", g->member_count);
  if (!r.budget.make_list(g->members, g->member_count)) {
    l.note(Note::TableRefused, g->member_count);
  }
}

void on_member(R& r, const Line& l) {
  EnemyGroup* g = record_for(l, r.list.groups, r.group);
  EnemyMember* m = g != nullptr ? next_record(l, g->members, r.member) : nullptr;
  if (m == nullptr) return;
  // Reals the line does not reach are 0.0, whatever an earlier line held.
  float value8 = 0.0f;
  float value9 = 0.0f;
  l.scan("%d %d %d %d %d %d %d %f %f %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", m->value1,
         m->value2, m->value3, m->value4, m->value5, m->value6, m->value7, value8, value9,
         m->value10_plus_one, m->value11, m->value12, m->value13, m->value14, m->value15,
         m->value16, m->value17, m->value18, m->value19, m->value20, m->value21, m->value22,
         m->value23, m->value24);
  // The engine's 32-bit arithmetic: 2147483647 + 1 wraps to -2147483648.
  m->value10_plus_one =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(m->value10_plus_one) + 1u);
  m->value8 = value8;
  m->value9 = value9;
}

// "</enemy_data>" closes a group. Listed after the group count section, so inside that section
// it is a count line like any other.
constexpr Section<R> kSections[] = {
    {"enemy_number", on_group_count},
    {"enemy_data", nullptr, nullptr, [](R& r) { ++r.group; }, true},
    {"enemies_number", on_member_count},
    {"enemies_data", on_member, [](R& r) { r.member = 0; }},
};

}  // namespace

bool EnemyGroups::read(ByteSource& source, Report& report) {
  release();
  EnemyReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

KeyedData EnemyGroups::write() {
  KeyedData out(2);
  out.i32_field("enemy_number", group_count);
  if (groups.present()) {
    // A group whose member array is absent (no count line, or refused) is written as a group of
    // no members, so that the data size tells the bytes that follow.
    std::int64_t size = 0;
    for (const EnemyGroup& g : groups.all()) {
      size += kGroupBytes + static_cast<std::int64_t>(g.members.all().size_bytes());
    }
    out.field("enemy_data", size);
    for (const EnemyGroup& g : groups.all()) {
      out.i32(static_cast<std::int32_t>(g.members.size()));
      out.records(g.members.all());
    }
  }
  return out;
}

void EnemyGroups::release() {
  groups.reset();
  group_count = 0;
}

}  // namespace kelv
