// "image_effect.txt": image effects, each a main data record and a list of positions.
//
// Effects are closed, not opened: every section fills the effect at the current effect index,
// and only "</image_effect_data>", given outside every section, moves on to the next effect
// (inside a section it is one of that section's data lines). The index never goes back within
// a reading.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/field_budget.h"
#include "format/table.h"

namespace kelv {

// The main data of an effect, written as held (320 bytes). Its line gives sixteen values,
// "v1 v2 v3 v4 v5 v6 name v8 ... v16", which the record holds in its own order.
struct EffectMainData {
  std::int32_t value_1;
  std::int32_t values_8_to_12[5];
  char file_name[260];
  std::int32_t value_5;
  std::int32_t value_6;
  std::int32_t values_13_to_16[4];
  std::int32_t value_3;
  std::int32_t value_4;
  std::int32_t value_2;
};
static_assert(sizeof(EffectMainData) == 320);
static_assert(offsetof(EffectMainData, value_1) == 0);
static_assert(offsetof(EffectMainData, values_8_to_12) == 4);
static_assert(offsetof(EffectMainData, file_name) == 24);
static_assert(offsetof(EffectMainData, value_5) == 284);
static_assert(offsetof(EffectMainData, value_6) == 288);
static_assert(offsetof(EffectMainData, values_13_to_16) == 292);
static_assert(offsetof(EffectMainData, value_3) == 308);
static_assert(offsetof(EffectMainData, value_4) == 312);
static_assert(offsetof(EffectMainData, value_2) == 316);

// One position of an effect, written as held: the four values of its line, in order.
struct EffectPosition {
  std::int32_t values[4];
};
static_assert(sizeof(EffectPosition) == 16);
static_assert(offsetof(EffectPosition, values) == 0);

struct ImageEffect {
  EffectMainData main{};
  std::int32_t position_count = 0;
  Table<EffectPosition> positions;  // absent until the position count line, or when refused
};

class ImageEffects final : public SectionConverter<ImageEffects> {
 public:
  // Every effect writes its main data and its position count, then its positions.
  static constexpr std::int64_t kEffectBytes = sizeof(EffectMainData) + 4;

  static const Declaration<ImageEffects>& declaration();

  void start_reading();
  void release() override;

  std::int32_t effect_count = 0;
  Table<ImageEffect> effects;  // absent before the count line and when the count cannot make it

  // What "image_effect_data" takes: lists are refused when they would take it past what its
  // 32-bit data size can count.
  FieldBudget budget{kEffectBytes};

  // The place of one reading.
  std::int64_t effect_index = 0;
  std::int64_t position_index = 0;
};

}  // namespace kelv
