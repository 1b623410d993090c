// "setting.txt": the game's 75 global settings, one section each, named by its key. Every reading
// starts from zeros, except `save_max`, which keeps what the last "setting.txt" of the run gave.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"

namespace kelv {

// Up to three numbers of one line: a setting's values, or a font colour row.
struct NumberRow {
  std::array<std::int32_t, 3> values;
};

class GameSettings final : public SectionConverter<GameSettings> {
 public:
  static constexpr std::size_t kSettings = 75;
  static constexpr std::size_t kFontColorRows = 9;

  static const Declaration<GameSettings>& declaration();

  // Every reading starts from zeros but for save_max.
  void start_reading();

  std::array<char, 256> title{};
  std::array<char, 256> denomi_name{};  // so named: the engine reads the field by this name
  std::array<char, 32> font_name{};  // at most 31 bytes of text
  std::array<char, 260> img_focus_name{};
  std::array<std::int32_t, 5> img_focus{};
  float item_sell_rate = 0;
  std::array<NumberRow, kFontColorRows> font_color{};
  // The values of every setting of one, two or three integers, by the setting's place (from 0);
  // unused places stay zero.
  std::array<NumberRow, kSettings> numbers{};

  std::int32_t& save_max();

  int font_color_row = 0;  // of a reading: the next row a font colour line fills
};

}  // namespace kelv
