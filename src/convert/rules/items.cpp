#include "convert/rules/items.h"

#include <utility>

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: the running index is never set back, not even by a later count section.
struct ItemReading {
  ItemList& list;
  std::int64_t next = 0;
};

using R = ItemReading;

template <std::size_t... I>
void scan_item(const Line& l, Item& item, std::index_sequence<I...>) {
  l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %s %s", item.values[I]..., item.word,
         item.text);
}

void on_count(R& r, const Line& l) {
  l.scan("%d", r.list.item_count);
  // Every count line makes a new table, discarding the records read so far.
  if (!r.list.items.make(r.list.item_count)) l.note(Note::TableRefused, r.list.item_count);
}

void on_item(R& r, const Line& l) {
  Item* item = r.list.items.at(r.next);
  if (item == nullptr) {
    l.note(Note::LineUnused);
    return;
  }
  scan_item(l, *item, std::make_index_sequence<16>());
  for (char& c : item->text) {
    if (c == '\0') break;
    if (c == '#') c = '\n';
  }
  ++r.next;
}

constexpr Section<R> kSections[] = {
    {"item_number", on_count},
    {"item_data", on_item},
};

}  // namespace

bool ItemList::read(ByteSource& source, Report& report) {
  ItemReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

KeyedData ItemList::write() {
  KeyedData out(2);
  out.field("item_number", 4);
  out.i32(item_count);
  if (items.present()) {
    // The reader has turned every '#' into a line feed already; this catches any left.
    for (Item& item : items.all())
      hash_to_line_feed(item.text);
    out.field("item_data", static_cast<std::int64_t>(items.all().size_bytes()));
    out.records(std::as_const(items).all());
  }
  return out;
}

void ItemList::release() {
  items.reset();
  item_count = 0;
}

}  // namespace kelv
