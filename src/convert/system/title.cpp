#include "convert/system/title.h"

#include <algorithm>

#include "format/counted_table.h"

namespace kelv {
namespace {

using T = TitleMenu;

constexpr auto kMidiLine = line(value<&T::midi_index>("midi_index"));
constexpr auto kPosLine = line(values<&T::menu_pos>("value", 1));
constexpr auto kHeightLine = line(value<&T::menu_item_height>("menu_item_height"));
constexpr auto kFontSizeLine = line(value<&T::font_size>("font_size"));
constexpr auto kColorLine = line(values<&T::font_color>("value", 1));
constexpr auto kItemLine = line(value<&T::Item::value1>("value1"),
                                value<&T::Item::value2>("value2"), value<&T::Item::text>("text"));

template <const auto& Format>
void on_value(T& c, const Line& l) {
  l.scan(Format, c);
}

// Measured against the number as it stands when the line comes; a line that does not scan
// still uses up its item.
void on_item(T& c, const Line& l) {
  if (c.index >= std::min(c.menu_item_number, T::kMaxItems)) {
    l.note(Note::LineUnused, std::min(c.menu_item_number, T::kMaxItems));
    return;
  }
  l.scan(kItemLine, c.items[static_cast<std::size_t>(c.index)]);
  ++c.index;
}

constexpr Section<T> kSections[] = {
    {.name = "midi_index",
     .on_data = on_value<kMidiLine>,
     .line = kMidiLine.shape(),
     .note = "the number of the title music"},
    {.name = "menu_pos",
     .on_data = on_value<kPosLine>,
     .line = kPosLine.shape(),
     .note = "where the menu stands"},
    {.name = "menu_item_height", .on_data = on_value<kHeightLine>, .line = kHeightLine.shape()},
    {.name = "font_size", .on_data = on_value<kFontSizeLine>, .line = kFontSizeLine.shape()},
    {.name = "font_color",
     .on_data = on_value<kColorLine>,
     .line = kColorLine.shape(),
     .note = "twelve colour values"},
    {.name = "menu_item_number",
     .on_data = [](T& c,
                   const Line& l) { count_line_at_most(l, c.menu_item_number, T::kMaxItems); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of menu items, at most 10 (a larger number counts as 10)"},
    {.name = "menu_item_data",
     .on_data = on_item,
     .role = Role::Records,
     .unfilled = [](T& c) -> std::int64_t {
       return std::min(c.menu_item_number, T::kMaxItems) - c.index;
     },
     .line = kItemLine.shape(),
     .note = "a second item section goes on after the items of the first"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

std::span<T::Item> listed(T& c) {
  return std::span(c.items).first(
      static_cast<std::size_t>(std::clamp(c.menu_item_number, 0, T::kMaxItems)));
}

// The items below the number: two numbers and a counted text each.
template <class L>
void layout(L& l, T& c) {
  l.fields(7);
  l.field("midi_index", [&](auto& d) { d.line(kMidiLine, c); });
  l.field("menu_pos", [&](auto& d) { d.line(kPosLine, c); });
  l.field("menu_item_height", [&](auto& d) { d.line(kHeightLine, c); });
  l.field("font_size", [&](auto& d) { d.line(kFontSizeLine, c); });
  l.field("font_color", [&](auto& d) { d.line(kColorLine, c); });
  l.field("menu_item_number", [&](auto& d) { d.i32(c.menu_item_number, kCountValue); });
  l.field("menu_item_data", [&](auto& d) { d.lines(listed(c), kItemLine); });
}

}  // namespace

const Vocabulary& TitleMenu::vocabulary() const {
  static constexpr Vocabulary v{
      "the title screen's music and the title menu: its place, item height, font and items",
      kShortLines, kGroups,
      "everything the earlier file gave, menu items included, until a line gives another value"};
  return v;
}

bool TitleMenu::read(ByteSource& source, Report& report) {
  index = 0;
  walk<T>(source, kShortLines, *this, kSections, report);
  return true;
}

void TitleMenu::write(DataWriter& out) {
  layout(out, *this);
}

void TitleMenu::load(DataReader& in) {
  layout(in, *this);
}

void TitleMenu::decompile(SourceWriter& out) {
  out.section("midi_index", kMidiLine, *this);
  out.section("menu_pos", kPosLine, *this);
  out.section("menu_item_height", kHeightLine, *this);
  out.section("font_size", kFontSizeLine, *this);
  out.section("font_color", kColorLine, *this);
  out.count_section("menu_item_number", menu_item_number);
  out.records("menu_item_data", std::span<const Item>(listed(*this)), kItemLine);
}

}  // namespace kelv
