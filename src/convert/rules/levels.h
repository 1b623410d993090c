// "level_list.txt": the level table (two numbers per level), the level add pair and the level
// maximum. The table lives for one conversion; the add pair and the maximum are never cleared,
// so a later level file of the same run without those sections writes the earlier values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// One level, in the engine's layout: written as held.
struct LevelEntry {
  std::int32_t value1;
  std::int32_t value2;
};
static_assert(sizeof(LevelEntry) == 8);
static_assert(offsetof(LevelEntry, value1) == 0);
static_assert(offsetof(LevelEntry, value2) == 4);

class LevelList final : public SectionConverter<LevelList> {
 public:
  static const Declaration<LevelList>& declaration();

  void start_reading() { index = 0; }
  void release() override { levels.release(); }

  CountedTable<LevelEntry> levels;
  // Carried over to the next level file of the run.
  std::array<std::int32_t, 2> level_add{};
  std::int32_t level_max = 0;

  // Of a reading: the next level a data line fills, never set back within the reading.
  std::int64_t index = 0;
};

}  // namespace kelv
