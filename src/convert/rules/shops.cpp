#include "convert/rules/shops.h"

#include <cstdint>

#include "format/counted_table.h"
#include "format/field_budget.h"
#include "format/line_reader.h"
#include "format/sections.h"

namespace kelv {
namespace {

// What the "shop_data" size counts for a shop's fixed parts: 32, although the kind, the two
// name lengths and the item count take 16. The engine's loader expects this size; the field is
// the last of its file, so nothing after it depends on it.
constexpr std::int64_t kShopFixedBytes = 32;
// The most a shop can count besides its item indexes: names are whole lines, so each is at most
// a line buffer with its NUL.
constexpr std::int64_t kShopMostBytes =
    kShopFixedBytes + 2 * static_cast<std::int64_t>(kShortLines);

// One reading. The shop index is never set back; the running index is set back by every item
// index section. The budget keeps the whole "shop_data" field within its 32-bit data size.
struct ShopReading {
  ShopList& list;
  std::int64_t shop = 0;
  std::int64_t next = 0;
  FieldBudget budget{kShopMostBytes};
};

using R = ShopReading;

void on_shop_count(R& r, const Line& l) {
  ShopList& c = r.list;
  l.scan("%d", c.shop_count);
  if (!r.budget.make_entries(c.shops, c.shop_count)) l.note(Note::TableRefused, c.shop_count);
}

// The shop at the shop index, or nullptr (no table, or more closed shops than the count).
Shop* current(R& r, const Line& l) {
  return record_for(l, r.list.shops, r.shop);
}

void on_kind(R& r, const Line& l) {
  if (Shop* s = current(r, l)) l.scan("%d", s->kind);
}

// The whole line, blanks included; the last line of the section wins, an empty one too.
void on_buy(R& r, const Line& l) {
  if (Shop* s = current(r, l)) l.copy_into(s->buy_background);
}

void on_sell(R& r, const Line& l) {
  if (Shop* s = current(r, l)) l.copy_into(s->sell_background);
}

void on_item_count(R& r, const Line& l) {
  Shop* s = current(r, l);
  if (s == nullptr) return;
  l.scan("%d", s->item_count);
  if (!r.budget.make_list(s->item_indexes, s->item_count)) {
    l.note(Note::TableRefused, s->item_count);
  }
}

void on_item_index(R& r, const Line& l) {
  Shop* s = current(r, l);
  if (s == nullptr) return;
  if (std::int32_t* index = next_record(l, s->item_indexes, r.next)) l.scan("%d", *index);
}

// "</shop_data>" closes a shop. Listed after the shop count section, so inside that section it
// is a count line like any other.
constexpr Section<R> kSections[] = {
    {"shop_number", on_shop_count},
    {"shop_data", nullptr, nullptr, [](R& r) { ++r.shop; }, true},
    {"kind", on_kind},
    {"filename_bg_buy", on_buy},
    {"filename_bg_sell", on_sell},
    {"item_number", on_item_count},
    {"item_index", on_item_index, [](R& r) { r.next = 0; }},
};

std::int64_t name_bytes(const std::array<char, 260>& name) {
  return static_cast<std::int64_t>(text_of(name).size()) + 1;
}

}  // namespace

bool ShopList::read(ByteSource& source, Report& report) {
  release();
  ShopReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

KeyedData ShopList::write() {
  KeyedData out(2);
  out.i32_field("shop_number", shop_count);
  if (shops.present()) {
    std::int64_t size = 0;
    for (const Shop& s : shops.all()) {
      size += kShopFixedBytes + static_cast<std::int64_t>(s.item_indexes.all().size_bytes()) +
              name_bytes(s.buy_background) + name_bytes(s.sell_background);
    }
    out.field("shop_data", size);
    for (const Shop& s : shops.all()) {
      out.i32(s.kind);
      out.counted(s.buy_background);
      out.counted(s.sell_background);
      // A shop whose index array is absent (no count line, or refused) is written as a shop of
      // no items, so that its count tells the bytes that follow.
      out.i32(static_cast<std::int32_t>(s.item_indexes.size()));
      out.records(s.item_indexes.all());
    }
  }
  return out;
}

void ShopList::release() {
  shops.reset();
  shop_count = 0;
}

}  // namespace kelv
