#include "convert/rules/shops.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kKindLine = line(value<&Shop::kind>("kind"));
constexpr auto kBuyLine = line(text<&Shop::buy_background>("filename_bg_buy"));
constexpr auto kSellLine = line(text<&Shop::sell_background>("filename_bg_sell"));
constexpr auto kIndexLine = line(value<&ShopItem::index>("item_index").refers_to(kItemList));
constexpr ValueShape kItemCount{"item_number"};

constexpr Entries<ShopList, Shop> kShops{&ShopList::shop_count, &ShopList::shops, &ShopList::shop,
                                         &ShopList::budget, ShopList::kWrittenFixedBytes};
constexpr EntryList<ShopList, Shop, ShopItem> kItems{&Shop::item_indexes, &Shop::item_count,
                                                     &ShopList::item};

// A shop: its kind, the two names as counted texts, its item count and indexes. A shop whose
// index array is absent (no count line, or refused) is written as a shop of no items, so that
// its count tells the bytes that follow.
struct ShopEntry {
  template <class D>
  void operator()(D& e, Shop& s) const {
    e.line(kKindLine, s);
    e.line(kBuyLine, s);
    e.line(kSellLine, s);
    e.list(s.item_indexes, s.item_count, kIndexLine, kItemCount);
    e.overshoot(ShopList::kFixedBytes - ShopList::kWrittenFixedBytes);
  }
};

// "</shop_data>" closes a shop. Listed after the shop count section, so inside that section it
// is a count line like any other. The last line of a shop's value section wins (for a name, an
// empty one too).
constexpr auto kSections = sections<ShopList>(
    entry_count<kShops>("shop_number",
                        {.note = tr("the number of shops; a count line makes a new table of empty "
                                    "shops")}),
    entry_marker<kShops, ShopEntry>(
        "shop_data", {.note = tr("ends a shop: the sections after it fill the next shop")}),
    entry_value_section<kShops, kKindLine>({.note = tr("of the current shop")}),
    entry_value_section<kShops, kBuyLine>(
        {.note = tr("of the current shop: the background image when buying, the whole line")}),
    entry_value_section<kShops, kSellLine>(
        {.note = tr("of the current shop: the background image when selling, the whole line")}),
    entry_list_count<kShops, kItems, kItemCount>(
        {.note = tr("the number of items the current shop sells; makes a new list of them")}),
    entry_records<kShops, kItems, kIndexLine>(
        kIndexLine.shapes[0].stem,
        {.note = tr("the items of the current shop; the opening tag starts again at the first")}));
constexpr Group<ShopList> kGroups[] = {kSections};

}  // namespace

const Declaration<ShopList>& ShopList::declaration() {
  static constexpr Declaration<ShopList> d{
      .about = tr("the shops: a kind, two background images and the items sold"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

void ShopList::start_reading() {
  release();
  shop = 0;
  item = 0;
  budget = FieldBudget{kMostBytes};
}

void ShopList::release() {
  shops.reset();
  shop_count = 0;
}

}  // namespace kelv
