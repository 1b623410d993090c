#include "convert/system/title.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kMidiLine = line(value<&TitleMenu::midi_index>("midi_index").refers_to(kMusicList));
constexpr auto kPosLine = line(values<&TitleMenu::menu_pos>("value", 1));
constexpr auto kHeightLine = line(value<&TitleMenu::menu_item_height>("menu_item_height"));
constexpr auto kFontSizeLine = line(value<&TitleMenu::font_size>("font_size"));
constexpr auto kColorLine = line(values<&TitleMenu::font_color>("value", 1));
constexpr auto kItemLine =
    line(value<&TitleMenu::Item::value1>("value1"), value<&TitleMenu::Item::value2>("value2"),
         value<&TitleMenu::Item::text>("text"));

// Everything is kept for the next title file of the run. The items are written below their
// number: two numbers and a counted text each.
constexpr auto kSections = sections<TitleMenu>(
    value_section<kMidiLine>({.note = tr("the number of the title music"), .carries_over = true}),
    line_section<kPosLine>("menu_pos", {.note = tr("where the menu stands"), .carries_over = true}),
    value_section<kHeightLine>({.carries_over = true}),
    value_section<kFontSizeLine>({.carries_over = true}),
    line_section<kColorLine>("font_color",
                             {.note = tr("twelve colour values"), .carries_over = true}),
    fixed_list<&TitleMenu::menu_item_number, &TitleMenu::items, &TitleMenu::index,
               TitleMenu::kMaxItems, kItemLine, false>(
        "menu_item_number", "menu_item_data",
        {.note = tr("the number of menu items, at most 10 (a larger number counts as 10)"),
         .carries_over = true},
        {.note = tr("a second item section goes on after the items of the first"),
         .carries_over = true}));
constexpr Group<TitleMenu> kGroups[] = {kSections};

}  // namespace

const Declaration<TitleMenu>& TitleMenu::declaration() {
  static constexpr Declaration<TitleMenu> d{
      .about =
          tr("the title screen's music and the title menu: its place, item height, font and items"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

}  // namespace kelv
