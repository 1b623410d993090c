// "shop_list.txt": the shops, each with a kind, the buying and selling background image names
// and an array of item indexes. Shops are closed, not opened: the lines of a shop belong to the
// shop index current when they arrive, and only "</shop_data>" moves on to the next shop. The
// tables live for one conversion only.
#pragma once

#include <array>
#include <cstdint>

#include "convert/converter.h"
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

class ShopList final : public Converter {
 public:
  bool read(ByteSource& source, Report& report) override;
  void write(DataWriter& out) override;
  void load(DataReader& in) override;
  void decompile(SourceWriter& out) override;
  void release() override;
  const Vocabulary& vocabulary() const override;

  std::int32_t shop_count = 0;
  Table<Shop> shops;
};

}  // namespace kelv
