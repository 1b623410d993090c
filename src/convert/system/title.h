// "title.txt": the title screen's music and the title menu (position, item height, font size and
// colours, up to 10 items). Nothing is cleared: a later "title.txt" of the same run starts from
// what the earlier one left, items included.
#pragma once

#include <array>
#include <cstdint>

#include "convert/converter.h"

namespace kelv {

class TitleMenu final : public SectionConverter<TitleMenu> {
 public:
  static constexpr std::int32_t kMaxItems = 10;

  struct Item {
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
    std::array<char, 256> text{};
  };

  static const Declaration<TitleMenu>& declaration();

  void start_reading() { index = 0; }

  std::int32_t midi_index = 0;
  std::array<std::int32_t, 2> menu_pos{};
  std::int32_t menu_item_height = 0;
  std::int32_t font_size = 0;
  std::array<std::int32_t, 12> font_color{};
  // At most kMaxItems; a negative number stays and makes every item line unused.
  std::int32_t menu_item_number = 0;
  std::array<Item, kMaxItems> items{};

  // The next item an item line fills. Set to 0 only when a reading starts: a second item section
  // goes on after the items of the first.
  std::int32_t index = 0;
};

}  // namespace kelv
