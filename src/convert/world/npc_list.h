// "npc_list.txt": the people of the world, one line each: thirteen numbers, a word, seventeen
// numbers and a second word. The scenes refer to them by index. The record keeps the values in
// the engine's order, which is not the order of the line; the file carries them in line order,
// and the second word is read but never written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// "value n" is the n-th conversion of the data line; the "unused" slots are the engine's and
// stay zero here.
struct Npc {
  std::int32_t value1;
  std::int32_t unused_a[3];
  std::int32_t value4;
  std::int32_t value3;
  std::int32_t unused_b;
  std::int32_t values5_8[4];
  std::int32_t unused_c[4];
  std::int32_t values9_12[4];
  std::int32_t value2;
  std::int32_t value13;
  std::array<char, 260> first_word;  // conversion 14
  std::int32_t values15_31[17];
  std::int32_t unused_d[2];
  std::array<char, 64> second_word;  // conversion 32
};
static_assert(sizeof(Npc) == 484);
static_assert(offsetof(Npc, value1) == 0);
static_assert(offsetof(Npc, unused_a) == 4);
static_assert(offsetof(Npc, value4) == 16);
static_assert(offsetof(Npc, value3) == 20);
static_assert(offsetof(Npc, unused_b) == 24);
static_assert(offsetof(Npc, values5_8) == 28);
static_assert(offsetof(Npc, unused_c) == 44);
static_assert(offsetof(Npc, values9_12) == 60);
static_assert(offsetof(Npc, value2) == 76);
static_assert(offsetof(Npc, value13) == 80);
static_assert(offsetof(Npc, first_word) == 84);
static_assert(offsetof(Npc, values15_31) == 344);
static_assert(offsetof(Npc, unused_d) == 412);
static_assert(offsetof(Npc, second_word) == 420);

class NpcList final : public SectionConverter<NpcList> {
 public:
  static const Declaration<NpcList>& declaration();

  // The count stays until the conversion is released.
  void start_reading() {
    npcs.table.reset();
    index = 0;
  }
  void release() override { npcs.release(); }

  CountedTable<Npc> npcs;

  std::int64_t index = 0;  // of the current reading
};

}  // namespace kelv
