// Map animation sources: every base name that begins with "map_anim" and ends in ".txt". A file
// holds the main data (an image name and three numbers), a count, and per animation a block of
// positions closed by "</map_anim_data>".
//
// The main data is kept for the whole run: a file without a main data section is written with
// what the map animation file before it gave. The count and the table start from nothing in
// every reading. Animation blocks are closed, not opened: the position sections fill the record
// at the current animation index, and only "</map_anim_data>", given outside every section,
// moves on to the next record (inside a section it is one of that section's data lines).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/field_budget.h"
#include "format/table.h"

namespace kelv {

// One position, written as held: the first and the second number of its line.
struct MapAnimPosition {
  std::int32_t first;
  std::int32_t second;
};
static_assert(sizeof(MapAnimPosition) == 8);
static_assert(offsetof(MapAnimPosition, first) == 0);
static_assert(offsetof(MapAnimPosition, second) == 4);

struct MapAnimation {
  std::int32_t position_count = 0;
  Table<MapAnimPosition> positions;  // absent until the position count line, or when refused
};

class MapAnimations final : public SectionConverter<MapAnimations> {
 public:
  // Every animation writes its position count, then its positions.
  static constexpr std::int64_t kAnimationBytes = 4;

  static const Declaration<MapAnimations>& declaration();

  void start_reading();
  // The main data stays for the next file.
  void release() override;

  // The main data: values 1 to 3 in the order of their line, and the image name. Never reset.
  std::int32_t value_1 = 0;
  std::int32_t value_2 = 0;
  std::int32_t value_3 = 0;
  std::array<char, 260> image_name{};

  std::int32_t animation_count = 0;
  Table<MapAnimation> animations;  // absent before the count line and when it cannot be made

  // What "map_anim_data" takes: lists are refused when they would take it past what its 32-bit
  // data size can count.
  FieldBudget budget{kAnimationBytes};

  // The place of one reading.
  std::int64_t animation_index = 0;
  std::int64_t position_index = 0;
};

}  // namespace kelv
