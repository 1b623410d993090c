// "pc.txt": the player character: name, main values, chip and face images, equipment and the
// items it starts with. The whole record is cleared before each reading and after each
// conversion, so nothing of one "pc.txt" reaches the next.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/table.h"

namespace kelv {

// A starting item, written as held.
struct PcItem {
  std::int32_t value1;
  std::int32_t value2;
};
static_assert(sizeof(PcItem) == 8);
static_assert(offsetof(PcItem, value1) == 0);
static_assert(offsetof(PcItem, value2) == 4);

// The face image: a file name and nine values.
struct PcImage {
  std::array<char, 260> file_name{};
  std::array<std::int32_t, 9> values{};
};

// The chip image: a file name, nine values, and eight more that the file holds apart.
struct PcChip {
  std::array<char, 260> file_name{};
  std::array<std::int32_t, 9> values{};
  std::array<std::int32_t, 8> extra{};
};

// An equipment value, written as held.
struct PcEquipment {
  std::int32_t value;
};
static_assert(sizeof(PcEquipment) == 4);

// The most equipment values a character has.
inline constexpr std::int32_t kEquipmentSlots = 5;

class PlayerCharacter final : public SectionConverter<PlayerCharacter> {
 public:
  static const Declaration<PlayerCharacter>& declaration();

  void start_reading() { release(); }
  void release() override;  // the PC reset

  // The item count as written: with an item list, never negative and never past the list.
  std::int32_t written_item_count() const;

  std::array<char, 65> name{};  // the first 64 bytes of the name line
  std::array<std::int32_t, 21> main_values{};
  PcChip chip;
  PcImage face;
  std::array<PcEquipment, kEquipmentSlots> equipment{};
  std::int32_t item_capacity = 0;
  std::int32_t item_count = 0;
  Table<PcItem> items;

  // Of the current reading.
  std::int32_t equipment_count = 0;
  std::int32_t equipment_index = 0;
  std::int64_t item_index = 0;
};

}  // namespace kelv
