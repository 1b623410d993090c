// "monster_list.txt": the monster table, one fixed-size record per monster made from a line of
// twenty-six values. The table lives for one conversion only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// One monster, in the engine's layout: written as held. The record order differs from the line
// order: the first word (value 18) is stored after values 19 and 20.
struct Monster {
  std::int32_t values1_11[11];
  float value12;
  float value13;
  std::int32_t values14_17[4];
  std::int32_t value19;
  std::int32_t value20;
  char word18[64];   // one word, NUL-terminated, rest zero
  char word21[260];  // one word, NUL-terminated, rest zero
  std::int32_t values22_26[5];
};
static_assert(sizeof(Monster) == 420);
static_assert(offsetof(Monster, values1_11) == 0);
static_assert(offsetof(Monster, value12) == 44);
static_assert(offsetof(Monster, value13) == 48);
static_assert(offsetof(Monster, values14_17) == 52);
static_assert(offsetof(Monster, value19) == 68);
static_assert(offsetof(Monster, value20) == 72);
static_assert(offsetof(Monster, word18) == 76);
static_assert(offsetof(Monster, word21) == 140);
static_assert(offsetof(Monster, values22_26) == 400);

class MonsterList final : public SectionConverter<MonsterList> {
 public:
  static const Declaration<MonsterList>& declaration();

  void start_reading() { index = 0; }
  void release() override { monsters.release(); }

  CountedTable<Monster> monsters;

  // Of a reading: the next monster a data line fills, never set back, not even by a later count
  // section.
  std::int64_t index = 0;
};

}  // namespace kelv
