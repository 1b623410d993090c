// "enemy_list.txt": enemy groups, each owning an array of member records. Groups are closed,
// not opened: the lines of a group belong to the group index current when they arrive, and only
// "</enemy_data>" moves on to the next group. The tables live for one conversion only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/field_budget.h"
#include "format/table.h"

namespace kelv {

// One member, in the engine's layout: written as held. Seven entries of three values (offsets 0,
// 12, ..., 72), then three numbers. A line lists the first value of each entry (values 1 to 7),
// the seventh entry's two reals (8, 9), the three numbers (10 to 12), and last the second and
// third values of entries one to six (13 to 24). The fields are named by their place on the line.
struct EnemyMember {
  std::int32_t value1;
  std::int32_t value13;
  std::int32_t value14;
  std::int32_t value2;
  std::int32_t value15;
  std::int32_t value16;
  std::int32_t value3;
  std::int32_t value17;
  std::int32_t value18;
  std::int32_t value4;
  std::int32_t value19;
  std::int32_t value20;
  std::int32_t value5;
  std::int32_t value21;
  std::int32_t value22;
  std::int32_t value6;
  std::int32_t value23;
  std::int32_t value24;
  std::int32_t value7;
  float value8;
  float value9;
  std::int32_t value10_plus_one;
  std::int32_t value11;
  std::int32_t value12;
};
static_assert(sizeof(EnemyMember) == 96);
static_assert(offsetof(EnemyMember, value1) == 0);
static_assert(offsetof(EnemyMember, value13) == 4);
static_assert(offsetof(EnemyMember, value14) == 8);
static_assert(offsetof(EnemyMember, value2) == 12);
static_assert(offsetof(EnemyMember, value15) == 16);
static_assert(offsetof(EnemyMember, value16) == 20);
static_assert(offsetof(EnemyMember, value3) == 24);
static_assert(offsetof(EnemyMember, value17) == 28);
static_assert(offsetof(EnemyMember, value18) == 32);
static_assert(offsetof(EnemyMember, value4) == 36);
static_assert(offsetof(EnemyMember, value19) == 40);
static_assert(offsetof(EnemyMember, value20) == 44);
static_assert(offsetof(EnemyMember, value5) == 48);
static_assert(offsetof(EnemyMember, value21) == 52);
static_assert(offsetof(EnemyMember, value22) == 56);
static_assert(offsetof(EnemyMember, value6) == 60);
static_assert(offsetof(EnemyMember, value23) == 64);
static_assert(offsetof(EnemyMember, value24) == 68);
static_assert(offsetof(EnemyMember, value7) == 72);
static_assert(offsetof(EnemyMember, value8) == 76);
static_assert(offsetof(EnemyMember, value9) == 80);
static_assert(offsetof(EnemyMember, value10_plus_one) == 84);
static_assert(offsetof(EnemyMember, value11) == 88);
static_assert(offsetof(EnemyMember, value12) == 92);

// A group is not written as held: its member count, then its members.
struct EnemyGroup {
  std::int32_t member_count = 0;
  Table<EnemyMember> members;  // absent until the group's count line, or when refused
};

class EnemyGroups final : public SectionConverter<EnemyGroups> {
 public:
  // Every group writes its member count before its members.
  static constexpr std::int64_t kGroupBytes = 4;

  static const Declaration<EnemyGroups>& declaration();

  void start_reading();
  void release() override;

  std::int32_t group_count = 0;
  Table<EnemyGroup> groups;

  // Of a reading: the group the sections fill (never set back), the next member of its list
  // (set back by every member data section), and what the "enemy_data" field has left of its
  // 32-bit data size.
  std::int64_t group = 0;
  std::int64_t member = 0;
  FieldBudget budget{kGroupBytes};
};

}  // namespace kelv
