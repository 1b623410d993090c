// "treasure_list.txt": the treasures the scenes hand out, nine numbers each. Unlike the other
// readers, this one refuses its source when a treasure line finds no free record (no table yet,
// or the table is full): nothing is written then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// A treasure as the engine keeps it: thirteen slots, of which the source fills nine (values 1
// to 6 and 7 to 9); the other four are the engine's and stay zero. Only the nine are written.
struct Treasure {
  std::int32_t first[6];     // values 1 to 6
  std::int32_t unused_a[2];  // never filled, never written
  std::int32_t last[3];      // values 7 to 9
  std::int32_t unused_b[2];  // never filled, never written
};
static_assert(sizeof(Treasure) == 52);
static_assert(offsetof(Treasure, first) == 0);
static_assert(offsetof(Treasure, unused_a) == 24);
static_assert(offsetof(Treasure, last) == 32);
static_assert(offsetof(Treasure, unused_b) == 44);

class TreasureList final : public SectionConverter<TreasureList> {
 public:
  // Bytes a treasure takes in the data file: values 1 to 9.
  static constexpr std::int64_t kWrittenSize = 36;

  static const Declaration<TreasureList>& declaration();

  void start_reading();
  // Refused when a treasure line found no free record.
  std::optional<Refusal> end_reading();
  void release() override { treasures.release(); }

  CountedTable<Treasure> treasures;

  // Of the current reading.
  std::int64_t index = 0;
  std::uint32_t refused_lines = 0;  // treasure lines that found no free record
  std::uint32_t first_refused = 0;  // the line number of the first of them
  bool refused_without_table = false;
};

}  // namespace kelv
