// "item_list.txt" and "magic_list.txt": the item and magic tables. One design with two
// vocabularies: a count and a table of fixed-size records, each the line's numbers (sixteen for
// an item, eighteen for a spell), one word, and one text in which '#' stands for a line break.
// The table lives for one conversion only: release() frees it and sets the count to 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// One item or spell, in the engine's layout: written as held.
template <std::size_t N>
struct WordTextRecord {
  std::int32_t values[N];  // the line's numbers, in order
  char word[64];           // one word, NUL-terminated, rest zero
  char text[256];          // one word, '#' turned into line feeds, NUL-terminated, rest zero
};

using Item = WordTextRecord<16>;
static_assert(sizeof(Item) == 384);
static_assert(offsetof(Item, values) == 0);
static_assert(offsetof(Item, word) == 64);
static_assert(offsetof(Item, text) == 128);

using Magic = WordTextRecord<18>;
static_assert(sizeof(Magic) == 392);
static_assert(offsetof(Magic, values) == 0);
static_assert(offsetof(Magic, word) == 72);
static_assert(offsetof(Magic, text) == 136);

// The vocabularies: record kind, the count and data names (tags and keys alike).
struct ItemWords {
  using Record = Item;
  static constexpr std::string_view kNumber = "item_number";
  static constexpr std::string_view kData = "item_data";
  static constexpr Text kAbout = tr("the items");
  // The item writer also turns into line feeds any '#' the reader has left in the texts.
  static constexpr bool kWriterBreaksLines = true;
  static constexpr ListId kProvides = kItemList;  // the shops sell its items
};
struct MagicWords {
  using Record = Magic;
  static constexpr std::string_view kNumber = "magic_number";
  static constexpr std::string_view kData = "magic_data";
  static constexpr Text kAbout = tr("the spells");
  static constexpr bool kWriterBreaksLines = false;
  static constexpr ListId kProvides = 0;
};

template <class Words>
class WordTextList final : public SectionConverter<WordTextList<Words>> {
 public:
  using Record = typename Words::Record;
  static const Declaration<WordTextList>& declaration();

  void start_reading() { index = 0; }
  void before_writing();
  void release() override { records.release(); }

  CountedTable<Record> records;

  // The running index of one reading: never set back, not even by a later count section.
  std::int64_t index = 0;
};

extern template class WordTextList<ItemWords>;
extern template class WordTextList<MagicWords>;

using ItemList = WordTextList<ItemWords>;
using MagicList = WordTextList<MagicWords>;

}  // namespace kelv
