// "item_list.txt": the item table, one fixed-size record per item. The table lives for one
// conversion only: release() frees it and sets the count to 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/table.h"

namespace kelv {

// One item, in the engine's layout: written as held.
struct Item {
  std::int32_t values[16];  // the line's sixteen numbers, in order
  char word[64];            // one word, NUL-terminated, rest zero
  char text[256];           // one word, '#' turned into line feeds, NUL-terminated, rest zero
};
static_assert(sizeof(Item) == 384);
static_assert(offsetof(Item, values) == 0);
static_assert(offsetof(Item, word) == 64);
static_assert(offsetof(Item, text) == 128);

class ItemList final : public Converter {
 public:
  bool read(ByteSource& source, Report& report) override;
  KeyedData write() override;
  void release() override;

  std::int32_t item_count = 0;
  Table<Item> items;
};

}  // namespace kelv
