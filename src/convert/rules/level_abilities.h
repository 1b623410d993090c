// "level_ability_list.txt": the level ability table (a word and eight numbers per record) and
// one message. The table lives for one conversion; the message is never cleared, so a later
// file of the same run without a message section writes the earlier message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// One level ability, in the engine's layout: written as held.
struct LevelAbility {
  char word[64];           // one word, NUL-terminated, rest zero
  std::int32_t values[8];  // the line's eight numbers after the word, in order
};
static_assert(sizeof(LevelAbility) == 96);
static_assert(offsetof(LevelAbility, word) == 0);
static_assert(offsetof(LevelAbility, values) == 64);

class LevelAbilityList final : public SectionConverter<LevelAbilityList> {
 public:
  static const Declaration<LevelAbilityList>& declaration();

  void start_reading() { index = 0; }
  void release() override { level_abilities.release(); }

  CountedTable<LevelAbility> level_abilities;
  // Carried over to the next level ability file of the run.
  std::array<char, 256> level_ability_message{};

  // Of a reading: the next ability a data line fills; every data section starts again at 0.
  std::int64_t index = 0;
};

}  // namespace kelv
