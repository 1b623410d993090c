#include "convert/rules/shops.h"

#include <cstdint>

#include "format/counted_table.h"
#include "format/field_budget.h"

namespace kelv {
namespace {

// What the "shop_data" size counts for a shop's fixed parts: 32, although the kind, the two
// name lengths and the item count take 16. The engine's loader expects this size; the field is
// the last of its file, so nothing after it depends on it.
constexpr std::int64_t kShopFixedBytes = 32;
constexpr std::int64_t kShopWrittenFixedBytes = 16;
// The most a shop can count besides its item indexes: names are whole lines, so each is at most
// a line buffer with its NUL.
constexpr std::int64_t kShopMostBytes =
    kShopFixedBytes + 2 * static_cast<std::int64_t>(kShortLines);

constexpr auto kKindLine = line(value<&Shop::kind>("kind"));
constexpr auto kBuyLine = line(text<&Shop::buy_background>("filename_bg_buy"));
constexpr auto kSellLine = line(text<&Shop::sell_background>("filename_bg_sell"));
constexpr auto kIndexLine = line(value<&ShopItem::index>("item_index"));
constexpr ValueShape kItemCount{"item_number"};

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
  l.scan_number(c.shop_count, kCountValue);
  tell_table(l, r.budget.make_entries(c.shops, c.shop_count), c.shop_count, kShopWrittenFixedBytes);
}

// The shop at the shop index, or nullptr (no table, or more closed shops than the count).
Shop* current(R& r, const Line& l) {
  return record_for(l, r.list.shops, r.shop);
}

// The kind and the two names: the last line of the section wins (for a name, an empty one too).
template <const auto& Format>
void on_shop_value(R& r, const Line& l) {
  if (Shop* s = current(r, l)) l.scan(Format, *s);
}

void on_item_count(R& r, const Line& l) {
  Shop* s = current(r, l);
  if (s == nullptr) return;
  l.scan_number(s->item_count, kItemCount);
  tell_table(l, r.budget.make_list(s->item_indexes, s->item_count), s->item_count,
             sizeof(ShopItem));
}

void on_item_index(R& r, const Line& l) {
  Shop* s = current(r, l);
  if (s == nullptr) return;
  if (ShopItem* item = next_record(l, s->item_indexes, r.next)) l.scan(kIndexLine, *item);
}

// "</shop_data>" closes a shop. Listed after the shop count section, so inside that section it
// is a count line like any other.
constexpr Section<R> kSections[] = {
    {.name = "shop_number",
     .on_data = on_shop_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of shops; a count line makes a new table of empty shops"},
    {.name = "shop_data",
     .on_close = [](R& r) { ++r.shop; },
     .role = Role::Marker,
     .note = "ends a shop: the sections after it fill the next shop"},
    {.name = "kind",
     .on_data = on_shop_value<kKindLine>,
     .line = kKindLine.shape(),
     .note = "of the current shop"},
    {.name = "filename_bg_buy",
     .on_data = on_shop_value<kBuyLine>,
     .line = kBuyLine.shape(),
     .note = "of the current shop: the background image when buying, the whole line"},
    {.name = "filename_bg_sell",
     .on_data = on_shop_value<kSellLine>,
     .line = kSellLine.shape(),
     .note = "of the current shop: the background image when selling, the whole line"},
    {.name = "item_number",
     .on_data = on_item_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of items the current shop sells; makes a new list of them"},
    {.name = "item_index",
     .on_data = on_item_index,
     .on_open = [](R& r) { r.next = 0; },
     .role = Role::Records,
     .unfilled = [](R& r) -> std::int64_t {
       const Shop* s = r.list.shops.at(r.shop);
       return s != nullptr ? unfilled(s->item_indexes, r.next) : 0;
     },
     .line = kIndexLine.shape(),
     .note = "the items of the current shop; the opening tag starts again at the first"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// A shop: its kind, the two names as counted texts, its item count and indexes. A shop whose
// index array is absent (no count line, or refused) is written as a shop of no items, so that
// its count tells the bytes that follow.
template <class L>
void layout(L& l, ShopList& c) {
  l.fields(2);
  l.field("shop_number", [&](auto& d) { d.i32(c.shop_count, kCountValue); });
  l.field_if(c.shops.present(), "shop_data", [&](auto& d) {
    d.each(c.shops, c.shop_count, kShopWrittenFixedBytes, [](auto& e, Shop& s) {
      e.line(kKindLine, s);
      e.line(kBuyLine, s);
      e.line(kSellLine, s);
      e.list(s.item_indexes, s.item_count, kIndexLine, kItemCount);
      e.overshoot(kShopFixedBytes - kShopWrittenFixedBytes);
    });
  });
}

}  // namespace

const Vocabulary& ShopList::vocabulary() const {
  static constexpr Vocabulary v{
      "the shops: a kind, two background images and the items sold", kShortLines, kGroups, {}};
  return v;
}

bool ShopList::read(ByteSource& source, Report& report) {
  release();
  ShopReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

void ShopList::write(DataWriter& out) {
  layout(out, *this);
}

void ShopList::load(DataReader& in) {
  layout(in, *this);
}

void ShopList::decompile(SourceWriter& out) {
  if (!shops.present() && shop_count == 0) return;
  out.count_section("shop_number", shop_count);
  for (const Shop& s : shops.all()) {
    out.section("kind", kKindLine, s);
    out.section("filename_bg_buy", kBuyLine, s);
    out.section("filename_bg_sell", kSellLine, s);
    out.count_section("item_number", s.item_count);
    if (s.item_indexes.size() > 0) {
      out.records("item_index", s.item_indexes.all(), kIndexLine);
    }
    out.marker("shop_data");
  }
}

void ShopList::release() {
  shops.reset();
  shop_count = 0;
}

}  // namespace kelv
