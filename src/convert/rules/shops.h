// "shop_list.txt": the shops, each with a kind, the buying and selling background image names
// and an array of item indexes. Shops are closed, not opened: the lines of a shop belong to the
// shop index current when they arrive, and only "</shop_data>" moves on to the next shop. The
// tables live for one conversion only.
#pragma once

#include <array>
#include <cstdint>

#include "convert/converter.h"
#include "format/field_budget.h"
#include "format/line_reader.h"
#include "format/table.h"

namespace kelv {

// An item index of a shop, written as held.
struct ShopItem {
  std::int32_t index;
};
static_assert(sizeof(ShopItem) == 4);

// A shop is not written as held: the writer puts it out field by field.
struct Shop {
  std::int32_t kind = 0;
  std::array<char, 260> buy_background{};   // a whole line, NUL-terminated, rest zero
  std::array<char, 260> sell_background{};  // likewise
  std::int32_t item_count = 0;
  Table<ShopItem> item_indexes;  // absent until the shop's item count line, or when refused
};

class ShopList final : public SectionConverter<ShopList> {
 public:
  // What the "shop_data" size counts for a shop's fixed parts: 32, although the kind, the two
  // name lengths and the item count take 16. The engine's loader expects this size; the field
  // is the last of its file, so nothing after it depends on it.
  static constexpr std::int64_t kFixedBytes = 32;
  static constexpr std::int64_t kWrittenFixedBytes = 16;
  // The most a shop can count besides its item indexes: names are whole lines, so each is at
  // most a line buffer with its NUL.
  static constexpr std::int64_t kMostBytes = kFixedBytes + 2 * std::int64_t{kShortLines};

  static const Declaration<ShopList>& declaration();

  void start_reading();
  void release() override;

  std::int32_t shop_count = 0;
  Table<Shop> shops;

  // Of a reading: the shop the sections fill (never set back), the next item index of its list
  // (set back by every item index section), and what the "shop_data" field has left of its
  // 32-bit data size.
  std::int64_t shop = 0;
  std::int64_t item = 0;
  FieldBudget budget{kMostBytes};
};

}  // namespace kelv
