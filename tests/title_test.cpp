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

TEST(TitleMenu, Sources) {
  // Twelve items against the clamp at ten.
  std::string twelve = "<menu_item_number>\n12\n</menu_item_number>\n<menu_item_data>\n";
  Bytes ten{};
  for (int i = 0; i < 12; ++i) {
    twelve += std::to_string(i) + " 0 item" + std::to_string(i) + "\n";
    if (i < 10) ten = cat({ten, item(i, 0, "item" + std::to_string(i))});
  }
  expect_outputs<TitleMenu>({
      {"every value",
       "<midi_index>\n4\n</midi_index>\n<menu_pos>\n200 300\n</menu_pos>\n"
       "<menu_item_height>\n24\n</menu_item_height>\n<font_size>\n18\n</font_size>\n"
       "<font_color>\n1 2 3 4 5 6 7 8 9 10 11 12\n</font_color>\n"
       "<menu_item_number>\n2\n</menu_item_number>\n"
       "<menu_item_data>\n1 2 New Game\n3 -4 Continue\n</menu_item_data>\n",
       title_file({.midi = 4,
                   .pos = ints({200, 300}),
                   .height = 24,
                   .font_size = 18,
                   .font_color = ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
                   .number = 2,
                   .items = cat({item(1, 2, "New"), item(3, -4, "Continue")})})},
      {"item number clamped at ten", twelve + "</menu_item_data>\n",
       title_file({.number = 10, .items = ten})},
      {"unscanned and missing items and a short colour line",
       "<font_color>\n1 2 3 4 5\n</font_color>\n<menu_item_number>\n3\n</menu_item_number>\n"
       "<menu_item_data>\nstart 0\n7 8 Quit\n</menu_item_data>\n",
       title_file({.font_color = cat({ints({1, 2, 3, 4, 5}), zeros(28)}),
                   .number = 3,
                   .items = cat({item(0, 0, ""), item(7, 8, "Quit"), item(0, 0, "")})})},
      // Items before the number are lost; a second item section goes on from the first.
      {"items before the number and a second item section",
       "<menu_item_data>\n9 9 Lost\n</menu_item_data>\n<menu_item_number>\n2\n</menu_item_number>\n"
       "<menu_item_data>\n1 1 A\n</menu_item_data>\n<menu_item_data>\n2 2 B\n</menu_item_data>\n",
       title_file({.number = 2, .items = cat({item(1, 1, "A"), item(2, 2, "B")})})},
      {"negative item number writes no items",
       "<menu_item_number>\n-1\n</menu_item_number>\n<menu_item_data>\n1 1 A\n</menu_item_data>\n",
       title_file({.number = -1})},
  });
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

}  // namespace
}  // namespace kelv::test
