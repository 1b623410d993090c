#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/system/settings.h"
#include "support.h"

namespace kelv::test {
namespace {

// The 75 settings in writing order.
constexpr std::string_view kKeys =
    "title img_focus effect_arrow_talk effect_arrow_menu1 effect_arrow_menu2 effect_bare "
    "wave_bare wave_battle wave_poison wave_equip_set wave_equip_remove midi_level_up "
    "midi_gameover denomi_name line_thick flag_battle_alpha flag_back_bmp alpha_select rgb_line "
    "rgb_back rgb_battle_item alpha_battle_item rgb_back_talk fade_max_talk flag_talk_face "
    "talk_y poison_interval move_interval_pc move_interval_npc no_scroll_area straight_max "
    "game_speed fade_speed turn_speed enemy_attack_speed damage_speed enemy_damage_speed "
    "focus_speed letter_speed font_name font_weight font_color event_font_size talk_font_size "
    "ability_max item_own_num item_sell_rate buy_disp_num sell_disp_num menu_disp_num1 "
    "menu_disp_num2 battle_disp_num save_disp_num battle_item_y battle_wait1 battle_wait2 "
    "save_max menu_width1 menu_width2 menu_width3 item_height fade_increment_monster "
    "fade_increment_talk vol_all vol_bgm vol_sound key_interval talk_margin pos_menu_item "
    "critical_rate ampl_damage ampl_damage_crt dist_enemy_attack effect_wave_crt vol_sound_crt";

// A setting's data in an empty file of a fresh run.
Bytes empty_data(std::string_view key) {
  if (key == "title" || key == "denomi_name" || key == "font_name") return counted("");
  if (key == "img_focus") return cat({counted(""), zeros(20)});
  if (key == "font_color") return zeros(108);
  if (key == "no_scroll_area" || key == "pos_menu_item") return zeros(8);
  if (key == "wave_battle" || key.starts_with("rgb_")) return zeros(12);
  return zeros(4);
}

using Fields = std::vector<std::pair<std::string_view, Bytes>>;

Fields empty_fields() {
  Fields fields;
  for (std::string_view rest = kKeys; !rest.empty();) {
    const std::string_view key = rest.substr(0, rest.find(' '));
    fields.emplace_back(key, empty_data(key));
    rest.remove_prefix(std::min(rest.size(), key.size() + 1));
  }
  return fields;
}

Bytes settings_file(const Fields& fields) {
  Bytes out = i32(static_cast<std::int32_t>(fields.size()));
  for (const auto& [key, data] : fields)
    out = cat({out, field(key, data)});
  return out;
}

// An empty file's fields with some of them changed.
Bytes settings_with(std::initializer_list<std::pair<std::string_view, Bytes>> changes) {
  Fields fields = empty_fields();
  for (const auto& [key, data] : changes) {
    const auto it = std::ranges::find(fields, key, &Fields::value_type::first);
    EXPECT_TRUE(it != fields.end()) << key;
    if (it != fields.end()) it->second = data;
  }
  return settings_file(fields);
}

Bytes focus(std::string_view name, std::initializer_list<std::int32_t> values) {
  return cat({counted(name), ints(values)});
}

TEST(GameSettings, EmptySourceWritesEveryFieldAsZero) {
  GameSettings c;
  const Bytes out = convert(c, "");
  EXPECT_EQ(out.size(), 2103u);
  EXPECT_EQ(out, settings_file(empty_fields()));
}

TEST(GameSettings, EveryNumberLandsInItsOwnField) {
  // Each setting of one to three integers gets its place times 10 plus 1, 2, 3.
  std::string source;
  Fields expected = empty_fields();
  std::int32_t place = 0;
  for (auto& [key, data] : expected) {
    ++place;
    const std::size_t n = data.size() / 4;
    if (key == "item_sell_rate" || key == "font_color" || data.size() % 4 != 0 || n > 3) continue;
    source += "<" + std::string(key) + ">\n";
    data.clear();
    for (std::size_t i = 1; i <= n; ++i) {
      source += std::to_string(place * 10 + static_cast<std::int32_t>(i)) + " ";
      data = cat({data, i32(place * 10 + static_cast<std::int32_t>(i))});
    }
    source += "\n</" + std::string(key) + ">\n";
  }
  GameSettings c;
  EXPECT_EQ(convert(c, source), settings_file(expected));
}

TEST(GameSettings, Sources) {
  // Nine font colour rows: the second section starts again at row 1; "red" uses up row 2 and
  // leaves it as it was.
  std::string colours = "<font_color>\n";
  for (int i = 1; i <= 11; ++i)
    colours += std::to_string(i) + " " + std::to_string(i) + " 0\n";
  colours += "</font_color>\n<font_color>\n-1 -2 -3\nred\n</font_color>\n";
  Bytes rows = ints({-1, -2, -3, 2, 2, 0});
  for (int i = 3; i <= 9; ++i)
    rows = cat({rows, ints({i, i, 0})});
  const std::string font = "A font name of more than 31 bytes";
  expect_outputs<GameSettings>({
      {"texts and the focus image",
       "<title>\n  \x83\x4c\x83\x8b\x83\x94 the  quest \n</title>\n"
       "<img_focus>\nfocus.bmp 1 2 3 4 5\n</img_focus>\n<denomi_name>\nG\n</denomi_name>\n"
       "<font_name>\nMS Gothic\n</font_name>\n",
       settings_with({{"title", counted("  \x83\x4c\x83\x8b\x83\x94 the  quest ")},
                      {"img_focus", focus("focus.bmp", {1, 2, 3, 4, 5})},
                      {"denomi_name", counted("G")},
                      {"font_name", counted("MS Gothic")}})},
      {"focus name ends at a blank", "<img_focus>\nmy focus.bmp 1 2\n</img_focus>\n",
       settings_with({{"img_focus", focus("my", {0, 0, 0, 0, 0})}})},
      {"font name keeps its first 31 bytes", "<font_name>\n" + font + "\n</font_name>\n",
       settings_with({{"font_name", counted(font.substr(0, 31))}})},
      {"later lines overwrite what they give",
       "<rgb_line>\n1 2 3\n7\n</rgb_line>\n<no_scroll_area>\n5 6\n</no_scroll_area>\n"
       "<title>\nOld\n\n</title>\n<line_thick>\n2\n\n</line_thick>\n",
       settings_with({{"rgb_line", ints({7, 2, 3})},
                      {"no_scroll_area", ints({5, 6})},
                      {"title", counted("")},
                      {"line_thick", i32(2)}})},
      {"sell rate is a float", "<item_sell_rate>\n0.5\n</item_sell_rate>\n",
       settings_with({{"item_sell_rate", f32(0.5f)}})},
      {"font colour rows", colours, settings_with({{"font_color", rows}})},
      {"title left open takes the final empty line", "<title>\nMy Game\n", settings_with({})},
      // Lines pass through the three groups in turn. Second group: the tag opens
      // no_scroll_area while it is also the title's data.
      {"second group", "<title>\n<no_scroll_area>\n3 4\n",
       settings_with({{"title", counted("<no_scroll_area>")}, {"no_scroll_area", ints({3, 4})}})},
      {"a later tag of the same group is data",
       "<img_focus>\nfocus.bmp 1 2 3 4 5\n<effect_arrow_talk>\n7\n</img_focus>\n",
       settings_with({{"img_focus", focus("7", {1, 2, 3, 4, 5})}})},
      {"an earlier tag of the same group is a tag", "<effect_bare>\n<title>\nT\n</title>\n",
       settings_with({{"title", counted("T")}})},
  });
}

TEST(GameSettings, SaveMaxKeptAcrossFilesOfOneRun) {
  GameSettings c;
  convert_once(c, "<save_max>\n8\n</save_max>\n<vol_all>\n100\n</vol_all>\n");
  EXPECT_EQ(convert_once(c, "<vol_bgm>\n50\n</vol_bgm>\n"),
            settings_with({{"save_max", i32(8)}, {"vol_bgm", i32(50)}}));
}

}  // namespace
}  // namespace kelv::test
