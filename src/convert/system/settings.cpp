#include "convert/system/settings.h"

#include <span>

#include "convert/declare.h"

namespace kelv {
namespace {

using S = GameSettings;

constexpr auto kThree = line(values<&NumberRow::values>("value", 1));
constexpr auto kTwo = kThree.first<2>();
constexpr auto kOne = kThree.first<1>();
// The same numbers, each the number of an entry of the list `list` of another kind.
template <class F>
constexpr F referring(F f, ListId list) {
  for (std::size_t i = 0; i < F::size(); ++i) {
    f.values[i].shape.refers = list;
    f.shapes[i].refers = list;
  }
  return f;
}
constexpr auto kOneSound = referring(kOne, kSoundList);
constexpr auto kThreeSounds = referring(kThree, kSoundList);
constexpr auto kOneMusic = referring(kOne, kMusicList);
constexpr auto kTitleLine = line(text<&S::title>("title"));
// The whole line into `denomi_name`, the engine's key for the denomination's name.
constexpr auto kDenominationLine = line(text<&S::denomi_name>("denomi_name"));
constexpr auto kFontNameLine = line(text<&S::font_name>("font_name"));
constexpr auto kFocusLine =
    line(value<&S::img_focus_name>("file_name"), values<&S::img_focus>("value", 1));
constexpr auto kSellRateLine = line(value<&S::item_sell_rate>("item_sell_rate"));

// The font colours: nine rows of three numbers, one row per line, with no count before them (no
// declarator has that shape). The opening tag starts again at the first row; the row moves on
// whether or not the line scanned.
void on_font_color(S& c, const Line& l) {
  if (c.font_color_row >= static_cast<int>(S::kFontColorRows)) {
    l.note(seen::LineUnused::rows_full(S::kFontColorRows));
    return;
  }
  l.at_record(c.font_color_row);
  l.scan(kThree, c.font_color[static_cast<std::size_t>(c.font_color_row++)]);
}

template <class L>
void font_color_field(L& l, S& c, const Section<S>& s) {
  l.field(s.name, [&](auto& d) { d.lines(std::span(c.font_color), kThree); });
}

void font_color_lines(SourceWriter& out, const S& c, const Section<S>& s) {
  out.records(s.name, std::span<const NumberRow>(c.font_color), kThree);
}

constexpr Section<S> font_color_section() {
  return {.name = "font_color",
          .on_data = on_font_color,
          .on_open = [](S& c) { c.font_color_row = 0; },
          .line = kThree.shape(),
          .note = tr("nine rows of three numbers, one row per line; the opening tag starts again "
                     "at the first row"),
          .write = font_color_field<DataWriter>,
          .load = font_color_field<DataReader>,
          .decompile = font_color_lines};
}

// The settings in section, key table and field order, in their three groups of tags: every line
// passes through the three groups in turn, and within a group an opening tag of a later setting
// is a data line of the open one.
constexpr auto kFirst = sections<S>(
    value_section<kTitleLine>(), line_section<kFocusLine>("img_focus"),
    line_section<kOne, &S::effect_arrow_talk>("effect_arrow_talk"),
    line_section<kOne, &S::effect_arrow_menu1>("effect_arrow_menu1"),
    line_section<kOne, &S::effect_arrow_menu2>("effect_arrow_menu2"),
    line_section<kOne, &S::effect_bare>("effect_bare"),
    line_section<kOneSound, &S::wave_bare>("wave_bare"),
    line_section<kThreeSounds, &S::wave_battle>("wave_battle"),
    line_section<kOneSound, &S::wave_poison>("wave_poison"),
    line_section<kOneSound, &S::wave_equip_set>("wave_equip_set"),
    line_section<kOneSound, &S::wave_equip_remove>("wave_equip_remove"),
    line_section<kOneMusic, &S::midi_level_up>("midi_level_up"),
    line_section<kOneMusic, &S::midi_gameover>("midi_gameover"), value_section<kDenominationLine>(),
    line_section<kOne, &S::line_thick>("line_thick"),
    line_section<kOne, &S::flag_battle_alpha>("flag_battle_alpha"),
    line_section<kOne, &S::flag_back_bmp>("flag_back_bmp"),
    line_section<kOne, &S::alpha_select>("alpha_select"),
    line_section<kThree, &S::rgb_line>("rgb_line"), line_section<kThree, &S::rgb_back>("rgb_back"),
    line_section<kThree, &S::rgb_battle_item>("rgb_battle_item"),
    line_section<kOne, &S::alpha_battle_item>("alpha_battle_item"),
    line_section<kThree, &S::rgb_back_talk>("rgb_back_talk"),
    line_section<kOne, &S::fade_max_talk>("fade_max_talk"),
    line_section<kOne, &S::flag_talk_face>("flag_talk_face"),
    line_section<kOne, &S::talk_y>("talk_y"),
    line_section<kOne, &S::poison_interval>("poison_interval"),
    line_section<kOne, &S::move_interval_pc>("move_interval_pc"),
    line_section<kOne, &S::move_interval_npc>("move_interval_npc"));
constexpr auto kSecond = sections<S>(
    line_section<kTwo, &S::no_scroll_area>("no_scroll_area"),
    line_section<kOne, &S::straight_max>("straight_max"),
    line_section<kOne, &S::game_speed>("game_speed"),
    line_section<kOne, &S::fade_speed>("fade_speed"),
    line_section<kOne, &S::turn_speed>("turn_speed"),
    line_section<kOne, &S::enemy_attack_speed>("enemy_attack_speed"),
    line_section<kOne, &S::damage_speed>("damage_speed"),
    line_section<kOne, &S::enemy_damage_speed>("enemy_damage_speed"),
    line_section<kOne, &S::focus_speed>("focus_speed"),
    line_section<kOne, &S::letter_speed>("letter_speed"), value_section<kFontNameLine>(),
    line_section<kOne, &S::font_weight>("font_weight"), font_color_section(),
    line_section<kOne, &S::event_font_size>("event_font_size"),
    line_section<kOne, &S::talk_font_size>("talk_font_size"),
    line_section<kOne, &S::ability_max>("ability_max"),
    line_section<kOne, &S::item_own_num>("item_own_num"), value_section<kSellRateLine>(),
    line_section<kOne, &S::buy_disp_num>("buy_disp_num"),
    line_section<kOne, &S::sell_disp_num>("sell_disp_num"),
    line_section<kOne, &S::menu_disp_num1>("menu_disp_num1"),
    line_section<kOne, &S::menu_disp_num2>("menu_disp_num2"),
    line_section<kOne, &S::battle_disp_num>("battle_disp_num"),
    line_section<kOne, &S::save_disp_num>("save_disp_num"),
    line_section<kOne, &S::battle_item_y>("battle_item_y"),
    line_section<kOne, &S::battle_wait1>("battle_wait1"),
    line_section<kOne, &S::battle_wait2>("battle_wait2"),
    line_section<kOne, &S::save_max>("save_max", {.carries_over = true}),
    line_section<kOne, &S::menu_width1>("menu_width1"),
    line_section<kOne, &S::menu_width2>("menu_width2"));
constexpr auto kThird = sections<S>(
    line_section<kOne, &S::menu_width3>("menu_width3"),
    line_section<kOne, &S::item_height>("item_height"),
    line_section<kOne, &S::fade_increment_monster>("fade_increment_monster"),
    line_section<kOne, &S::fade_increment_talk>("fade_increment_talk"),
    line_section<kOne, &S::vol_all>("vol_all"), line_section<kOne, &S::vol_bgm>("vol_bgm"),
    line_section<kOne, &S::vol_sound>("vol_sound"),
    line_section<kOne, &S::key_interval>("key_interval"),
    line_section<kOne, &S::talk_margin>("talk_margin"),
    line_section<kTwo, &S::pos_menu_item>("pos_menu_item"),
    line_section<kOne, &S::critical_rate>("critical_rate"),
    line_section<kOne, &S::ampl_damage>("ampl_damage"),
    line_section<kOne, &S::ampl_damage_crt>("ampl_damage_crt"),
    line_section<kOne, &S::dist_enemy_attack>("dist_enemy_attack"),
    line_section<kOne, &S::effect_wave_crt>("effect_wave_crt"),
    line_section<kOne, &S::vol_sound_crt>("vol_sound_crt"));
static_assert(kFirst.size() + kSecond.size() + kThird.size() == S::kSettings);
constexpr Group<S> kGroups[] = {kFirst, kSecond, kThird};

}  // namespace

const Declaration<GameSettings>& GameSettings::declaration() {
  static constexpr Declaration<GameSettings> d{
      .about = tr("the game's 75 global settings, one section each"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

void GameSettings::start_reading() {
  const NumberRow kept = save_max;
  *this = GameSettings();
  save_max = kept;
}

}  // namespace kelv
