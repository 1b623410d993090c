// "setting.txt": the game's 75 global settings, one section each, named by its key. Every reading
// starts from zeros, except `save_max`, which keeps what the last "setting.txt" of the run gave.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"

namespace kelv {

// Up to three numbers of one line: a setting's values, or a font colour row.
struct NumberRow {
  std::array<std::int32_t, 3> values;
};

class GameSettings final : public SectionConverter<GameSettings> {
 public:
  static constexpr std::size_t kSettings = 75;
  static constexpr std::size_t kFontColorRows = 9;

  static const Declaration<GameSettings>& declaration();

  // Every reading starts from zeros but for save_max.
  void start_reading();

  std::array<char, 256> title{};
  std::array<char, 256> denomi_name{};  // so named: the engine reads the field by this name
  std::array<char, 32> font_name{};     // at most 31 bytes of text
  std::array<char, 260> img_focus_name{};
  std::array<std::int32_t, 5> img_focus{};
  float item_sell_rate = 0;
  std::array<NumberRow, kFontColorRows> font_color{};
  // The settings of one, two or three integers, each named by its key, in the three groups of
  // tags; the values a setting does not have stay zero.
  NumberRow effect_arrow_talk{}, effect_arrow_menu1{}, effect_arrow_menu2{}, effect_bare{},
      wave_bare{}, wave_battle{}, wave_poison{}, wave_equip_set{}, wave_equip_remove{},
      midi_level_up{}, midi_gameover{}, line_thick{}, flag_battle_alpha{}, flag_back_bmp{},
      alpha_select{}, rgb_line{}, rgb_back{}, rgb_battle_item{}, alpha_battle_item{},
      rgb_back_talk{}, fade_max_talk{}, flag_talk_face{}, talk_y{}, poison_interval{},
      move_interval_pc{}, move_interval_npc{};
  NumberRow no_scroll_area{}, straight_max{}, game_speed{}, fade_speed{}, turn_speed{},
      enemy_attack_speed{}, damage_speed{}, enemy_damage_speed{}, focus_speed{}, letter_speed{},
      font_weight{}, event_font_size{}, talk_font_size{}, ability_max{}, item_own_num{},
      buy_disp_num{}, sell_disp_num{}, menu_disp_num1{}, menu_disp_num2{}, battle_disp_num{},
      save_disp_num{}, battle_item_y{}, battle_wait1{}, battle_wait2{}, menu_width1{},
      menu_width2{};
  NumberRow menu_width3{}, item_height{}, fade_increment_monster{}, fade_increment_talk{},
      vol_all{}, vol_bgm{}, vol_sound{}, key_interval{}, talk_margin{}, pos_menu_item{},
      critical_rate{}, ampl_damage{}, ampl_damage_crt{}, dist_enemy_attack{}, effect_wave_crt{},
      vol_sound_crt{};
  NumberRow save_max{};  // kept for the next setting file of the run

  int font_color_row = 0;  // of a reading: the next row a font colour line fills
};

}  // namespace kelv
