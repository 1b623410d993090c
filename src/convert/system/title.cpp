#include "convert/system/title.h"

#include <algorithm>

#include "format/counted_table.h"
#include "format/sections.h"

namespace kelv {

struct TitleSections {
  using T = TitleMenu;

  // Measured against the number as it stands when the line comes; a line that does not scan
  // still uses up its item.
  static void on_item(T& c, const Line& l) {
    if (c.index_ >= std::min(c.menu_item_number, T::kMaxItems)) {
      l.note(Note::LineUnused);
      return;
    }
    T::Item& item = c.items[static_cast<std::size_t>(c.index_)];
    l.scan("%d %d %s", item.value1, item.value2, item.text);
    ++c.index_;
  }

  static constexpr Section<T> kSections[] = {
      {"midi_index", [](T& c, const Line& l) { l.scan("%d", c.midi_index); }},
      {"menu_pos", [](T& c, const Line& l) { l.scan("%d %d", c.menu_pos[0], c.menu_pos[1]); }},
      {"menu_item_height", [](T& c, const Line& l) { l.scan("%d", c.menu_item_height); }},
      {"font_size", [](T& c, const Line& l) { l.scan("%d", c.font_size); }},
      {"font_color",
       [](T& c, const Line& l) {
         auto& f = c.font_color;
         l.scan("%d %d %d %d %d %d %d %d %d %d %d %d", f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                f[7], f[8], f[9], f[10], f[11]);
       }},
      {"menu_item_number",
       [](T& c, const Line& l) { count_line_at_most(l, c.menu_item_number, T::kMaxItems); }},
      {"menu_item_data", on_item},
  };
};

bool TitleMenu::read(ByteSource& source, Report& report) {
  index_ = 0;
  walk<TitleMenu>(source, kShortLines, *this, TitleSections::kSections, report);
  return true;
}

KeyedData TitleMenu::write() {
  const std::span<const Item> listed(
      items.data(), static_cast<std::size_t>(std::clamp(menu_item_number, 0, kMaxItems)));
  std::int64_t size = 0;
  for (const Item& item : listed)
    size += 8 + KeyedData::counted_size(item.text);

  KeyedData out(7);
  out.i32_field("midi_index", midi_index);
  out.i32_field("menu_pos", menu_pos);
  out.i32_field("menu_item_height", menu_item_height);
  out.i32_field("font_size", font_size);
  out.i32_field("font_color", font_color);
  out.i32_field("menu_item_number", menu_item_number);
  out.field("menu_item_data", size);
  for (const Item& item : listed) {
    out.i32(item.value1);
    out.i32(item.value2);
    out.counted(item.text);
  }
  return out;
}

}  // namespace kelv
