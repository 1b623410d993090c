#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "convert/system/title.h"
#include "support.h"

namespace kelv::test {
namespace {

struct Menu {
  std::int32_t midi = 0;
  Bytes pos = ints({0, 0});
  std::int32_t height = 0;
  std::int32_t font_size = 0;
  Bytes font_color = zeros(48);
  std::int32_t number = 0;
  Bytes items{};
};

Bytes title_file(const Menu& m) {
  return keyed(7, {field("midi_index", i32(m.midi)), field("menu_pos", m.pos),
                   field("menu_item_height", i32(m.height)), field("font_size", i32(m.font_size)),
                   field("font_color", m.font_color), field("menu_item_number", i32(m.number)),
                   field("menu_item_data", m.items)});
}

Bytes item(std::int32_t a, std::int32_t b, std::string_view word) {
  return cat({ints({a, b}), counted(word)});
}

TEST(TitleMenu, EveryValue) {
  TitleMenu c;
  const Bytes out = convert(c,
                            "<midi_index>\n4\n</midi_index>\n"
                            "<menu_pos>\n200 300\n</menu_pos>\n"
                            "<menu_item_height>\n24\n</menu_item_height>\n"
                            "<font_size>\n18\n</font_size>\n"
                            "<font_color>\n1 2 3 4 5 6 7 8 9 10 11 12\n</font_color>\n"
                            "<menu_item_number>\n2\n</menu_item_number>\n"
                            "<menu_item_data>\n1 2 New Game\n3 -4 Continue\n</menu_item_data>\n");
  EXPECT_EQ(out, title_file({.midi = 4,
                             .pos = ints({200, 300}),
                             .height = 24,
                             .font_size = 18,
                             .font_color = ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
                             .number = 2,
                             .items = cat({item(1, 2, "New"), item(3, -4, "Continue")})}));
}

TEST(TitleMenu, ItemNumberClampedAtTen) {
  std::string source = "<menu_item_number>\n12\n</menu_item_number>\n<menu_item_data>\n";
  Bytes items{};
  for (int i = 0; i < 12; ++i) {
    source += std::to_string(i) + " 0 item" + std::to_string(i) + "\n";
    if (i < 10) items = cat({items, item(i, 0, "item" + std::to_string(i))});
  }
  TitleMenu c;
  EXPECT_EQ(convert(c, source + "</menu_item_data>\n"), title_file({.number = 10, .items = items}));
}

TEST(TitleMenu, UnscannedAndMissingItemsAndAShortColourLine) {
  TitleMenu c;
  const Bytes out = convert(c,
                            "<font_color>\n1 2 3 4 5\n</font_color>\n"
                            "<menu_item_number>\n3\n</menu_item_number>\n"
                            "<menu_item_data>\nstart 0\n7 8 Quit\n</menu_item_data>\n");
  EXPECT_EQ(out, title_file({.font_color = cat({ints({1, 2, 3, 4, 5}), zeros(28)}),
                             .number = 3,
                             .items = cat({item(0, 0, ""), item(7, 8, "Quit"), item(0, 0, "")})}));
}

TEST(TitleMenu, ItemsBeforeTheNumberAndASecondItemSectionGoingOn) {
  TitleMenu c;
  const Bytes out = convert(c,
                            "<menu_item_data>\n9 9 Lost\n</menu_item_data>\n"
                            "<menu_item_number>\n2\n</menu_item_number>\n"
                            "<menu_item_data>\n1 1 A\n</menu_item_data>\n"
                            "<menu_item_data>\n2 2 B\n</menu_item_data>\n");
  EXPECT_EQ(out, title_file({.number = 2, .items = cat({item(1, 1, "A"), item(2, 2, "B")})}));
}

TEST(TitleMenu, ValuesKeptAcrossTwoFilesOfOneRun) {
  TitleMenu c;
  convert_once(c,
               "<midi_index>\n4\n</midi_index>\n"
               "<font_color>\n1 2 3 4 5 6 7 8 9 10 11 12\n</font_color>\n"
               "<menu_item_number>\n2\n</menu_item_number>\n"
               "<menu_item_data>\n1 2 New\n3 4 Load\n</menu_item_data>\n");
  // The second file changes the first item, the colours' first two values and the music only.
  const Bytes out = convert_once(c,
                                 "<midi_index>\n5\n</midi_index>\n"
                                 "<font_color>\n20 30\n</font_color>\n"
                                 "<menu_item_data>\n5 6 Begin\n</menu_item_data>\n");
  EXPECT_EQ(out, title_file({.midi = 5,
                             .font_color = ints({20, 30, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
                             .number = 2,
                             .items = cat({item(5, 6, "Begin"), item(3, 4, "Load")})}));
}

TEST(TitleMenu, NegativeItemNumberWritesNoItems) {
  TitleMenu c;
  EXPECT_EQ(convert(c,
                    "<menu_item_number>\n-1\n</menu_item_number>\n"
                    "<menu_item_data>\n1 1 A\n</menu_item_data>\n"),
            title_file({.number = -1}));
}

}  // namespace
}  // namespace kelv::test
