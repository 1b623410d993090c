#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/system/settings.h"
#include "support.h"

namespace kelv::test {
namespace {

using Fields = std::vector<std::pair<std::string_view, Bytes>>;

// The 75 fields of an empty "setting.txt" in a fresh run, in writing order.
Fields empty_fields() {
  const Bytes one = zeros(4), two = zeros(8), three = zeros(12), text = counted("");
  return {
      {"title", text},
      {"img_focus", cat({text, zeros(20)})},
      {"effect_arrow_talk", one},
      {"effect_arrow_menu1", one},
      {"effect_arrow_menu2", one},
      {"effect_bare", one},
      {"wave_bare", one},
      {"wave_battle", three},
      {"wave_poison", one},
      {"wave_equip_set", one},
      {"wave_equip_remove", one},
      {"midi_level_up", one},
      {"midi_gameover", one},
      {"denomi_name", text},
      {"line_thick", one},
      {"flag_battle_alpha", one},
      {"flag_back_bmp", one},
      {"alpha_select", one},
      {"rgb_line", three},
      {"rgb_back", three},
      {"rgb_battle_item", three},
      {"alpha_battle_item", one},
      {"rgb_back_talk", three},
      {"fade_max_talk", one},
      {"flag_talk_face", one},
      {"talk_y", one},
      {"poison_interval", one},
      {"move_interval_pc", one},
      {"move_interval_npc", one},
      {"no_scroll_area", two},
      {"straight_max", one},
      {"game_speed", one},
      {"fade_speed", one},
      {"turn_speed", one},
      {"enemy_attack_speed", one},
      {"damage_speed", one},
      {"enemy_damage_speed", one},
      {"focus_speed", one},
      {"letter_speed", one},
      {"font_name", text},
      {"font_weight", one},
      {"font_color", zeros(108)},
      {"event_font_size", one},
      {"talk_font_size", one},
      {"ability_max", one},
      {"item_own_num", one},
      {"item_sell_rate", one},
      {"buy_disp_num", one},
      {"sell_disp_num", one},
      {"menu_disp_num1", one},
      {"menu_disp_num2", one},
      {"battle_disp_num", one},
      {"save_disp_num", one},
      {"battle_item_y", one},
      {"battle_wait1", one},
      {"battle_wait2", one},
      {"save_max", one},
      {"menu_width1", one},
      {"menu_width2", one},
      {"menu_width3", one},
      {"item_height", one},
      {"fade_increment_monster", one},
      {"fade_increment_talk", one},
      {"vol_all", one},
      {"vol_bgm", one},
      {"vol_sound", one},
      {"key_interval", one},
      {"talk_margin", one},
      {"pos_menu_item", two},
      {"critical_rate", one},
      {"ampl_damage", one},
      {"ampl_damage_crt", one},
      {"dist_enemy_attack", one},
      {"effect_wave_crt", one},
      {"vol_sound_crt", one},
  };
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
    bool found = false;
    for (auto& [k, d] : fields) {
      if (k == key) {
        d = data;
        found = true;
      }
    }
    EXPECT_TRUE(found) << key;
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

TEST(GameSettings, TextsAndTheFocusImage) {
  GameSettings c;
  const Bytes out = convert(c,
                            "<title>\n  \x83\x4c\x83\x8b\x83\x94 the  quest \n</title>\n"
                            "<img_focus>\nfocus.bmp 1 2 3 4 5\n</img_focus>\n"
                            "<denomi_name>\nG\n</denomi_name>\n"
                            "<font_name>\nMS Gothic\n</font_name>\n");
  EXPECT_EQ(out, settings_with({{"title", counted("  \x83\x4c\x83\x8b\x83\x94 the  quest ")},
                                {"img_focus", focus("focus.bmp", {1, 2, 3, 4, 5})},
                                {"denomi_name", counted("G")},
                                {"font_name", counted("MS Gothic")}}));
  EXPECT_EQ(convert(c, "<img_focus>\nmy focus.bmp 1 2\n</img_focus>\n"),
            settings_with({{"img_focus", focus("my", {0, 0, 0, 0, 0})}}));
}

TEST(GameSettings, FontNameKeepsItsFirst31Bytes) {
  GameSettings c;
  const std::string name = "A font name of more than 31 bytes";
  EXPECT_EQ(convert(c, "<font_name>\n" + name + "\n</font_name>\n"),
            settings_with({{"font_name", counted(name.substr(0, 31))}}));
}

TEST(GameSettings, LaterLinesOverwriteWhatTheyGive) {
  GameSettings c;
  EXPECT_EQ(convert(c,
                    "<rgb_line>\n1 2 3\n7\n</rgb_line>\n"
                    "<no_scroll_area>\n5 6\n</no_scroll_area>\n"
                    "<title>\nOld\n\n</title>\n"
                    "<line_thick>\n2\n\n</line_thick>\n"),
            settings_with({{"rgb_line", ints({7, 2, 3})},
                           {"no_scroll_area", ints({5, 6})},
                           {"title", counted("")},
                           {"line_thick", i32(2)}}));
}

TEST(GameSettings, SellRateIsAFloat) {
  GameSettings c;
  EXPECT_EQ(convert(c, "<item_sell_rate>\n0.5\n</item_sell_rate>\n"),
            settings_with({{"item_sell_rate", f32(0.5f)}}));
  EXPECT_EQ(f32(0.5f), (Bytes{0x00, 0x00, 0x00, 0x3F}));
}

TEST(GameSettings, FontColourRows) {
  std::string source = "<font_color>\n";
  for (int i = 1; i <= 11; ++i)
    source += std::to_string(i) + " " + std::to_string(i) + " 0\n";
  source += "</font_color>\n<font_color>\n-1 -2 -3\nred\n</font_color>\n";
  // The second section starts again at row 1; "red" uses up row 2 and leaves it as it was.
  Bytes rows = ints({-1, -2, -3, 2, 2, 0});
  for (int i = 3; i <= 9; ++i)
    rows = cat({rows, ints({i, i, 0})});
  GameSettings c;
  EXPECT_EQ(convert(c, source), settings_with({{"font_color", rows}}));
}

TEST(GameSettings, TitleLeftOpenTakesTheFinalEmptyLine) {
  GameSettings c;
  EXPECT_EQ(convert(c, "<title>\nMy Game\n"), settings_with({}));
}

TEST(GameSettings, LinesPassThroughTheThreeGroups) {
  GameSettings c;
  // Second group: the tag opens no_scroll_area while it is also the title's data.
  EXPECT_EQ(
      convert(c, "<title>\n<no_scroll_area>\n3 4\n"),
      settings_with({{"title", counted("<no_scroll_area>")}, {"no_scroll_area", ints({3, 4})}}));
  // Same group: a later setting's tag is data of the open one.
  EXPECT_EQ(convert(c, "<img_focus>\nfocus.bmp 1 2 3 4 5\n<effect_arrow_talk>\n7\n</img_focus>\n"),
            settings_with({{"img_focus", focus("7", {1, 2, 3, 4, 5})}}));
  // An earlier setting's tag of the same group is still recognised.
  EXPECT_EQ(convert(c, "<effect_bare>\n<title>\nT\n</title>\n"),
            settings_with({{"title", counted("T")}}));
}

TEST(GameSettings, SaveMaxKeptAcrossFilesOfOneRun) {
  GameSettings c;
  convert_once(c, "<save_max>\n8\n</save_max>\n<vol_all>\n100\n</vol_all>\n");
  EXPECT_EQ(convert_once(c, "<vol_bgm>\n50\n</vol_bgm>\n"),
            settings_with({{"save_max", i32(8)}, {"vol_bgm", i32(50)}}));
}

}  // namespace
}  // namespace kelv::test
