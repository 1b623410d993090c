#include "convert/system/settings.h"

#include <string_view>

#include "format/sections.h"

namespace kelv {
namespace {

// How a setting's data line is read and how its field is laid out.
enum class Kind : std::uint8_t {
  Ints,       // "%d", "%d %d" or "%d %d %d": `width` int32
  Title,      // the whole line: `title`
  Denomi,     // the whole line: `denomi_name`
  FontName,   // the whole line: `font_name`, cut to 31 bytes
  Focus,      // "%s %d %d %d %d %d": the image name as counted text, then five int32
  SellRate,   // "%f": one float
  FontColor,  // "%d %d %d" per line, nine rows of three int32
};

struct Setting {
  std::string_view key;  // the section's tag name and the field's name
  Kind kind = Kind::Ints;
  std::uint8_t width = 1;  // Kind::Ints: how many int32
};

// In section, key table and field order. The three tag groups are settings 1 to 29, 30 to 59 and
// 60 to 75.
constexpr std::array<Setting, GameSettings::kSettings> kTable = {{
    {"title", Kind::Title},
    {"img_focus", Kind::Focus},
    {"effect_arrow_talk"},
    {"effect_arrow_menu1"},
    {"effect_arrow_menu2"},
    {"effect_bare"},
    {"wave_bare"},
    {"wave_battle", Kind::Ints, 3},
    {"wave_poison"},
    {"wave_equip_set"},
    {"wave_equip_remove"},
    {"midi_level_up"},
    {"midi_gameover"},
    {"denomi_name", Kind::Denomi},
    {"line_thick"},
    {"flag_battle_alpha"},
    {"flag_back_bmp"},
    {"alpha_select"},
    {"rgb_line", Kind::Ints, 3},
    {"rgb_back", Kind::Ints, 3},
    {"rgb_battle_item", Kind::Ints, 3},
    {"alpha_battle_item"},
    {"rgb_back_talk", Kind::Ints, 3},
    {"fade_max_talk"},
    {"flag_talk_face"},
    {"talk_y"},
    {"poison_interval"},
    {"move_interval_pc"},
    {"move_interval_npc"},
    {"no_scroll_area", Kind::Ints, 2},
    {"straight_max"},
    {"game_speed"},
    {"fade_speed"},
    {"turn_speed"},
    {"enemy_attack_speed"},
    {"damage_speed"},
    {"enemy_damage_speed"},
    {"focus_speed"},
    {"letter_speed"},
    {"font_name", Kind::FontName},
    {"font_weight"},
    {"font_color", Kind::FontColor},
    {"event_font_size"},
    {"talk_font_size"},
    {"ability_max"},
    {"item_own_num"},
    {"item_sell_rate", Kind::SellRate},
    {"buy_disp_num"},
    {"sell_disp_num"},
    {"menu_disp_num1"},
    {"menu_disp_num2"},
    {"battle_disp_num"},
    {"save_disp_num"},
    {"battle_item_y"},
    {"battle_wait1"},
    {"battle_wait2"},
    {"save_max"},
    {"menu_width1"},
    {"menu_width2"},
    {"menu_width3"},
    {"item_height"},
    {"fade_increment_monster"},
    {"fade_increment_talk"},
    {"vol_all"},
    {"vol_bgm"},
    {"vol_sound"},
    {"key_interval"},
    {"talk_margin"},
    {"pos_menu_item", Kind::Ints, 2},
    {"critical_rate"},
    {"ampl_damage"},
    {"ampl_damage_crt"},
    {"dist_enemy_attack"},
    {"effect_wave_crt"},
    {"vol_sound_crt"},
}};

constexpr std::size_t place_of(std::string_view key) {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (kTable[i].key == key) return i;
  }
  throw "no such setting";
}

constexpr std::size_t kSaveMax = place_of("save_max");
constexpr std::size_t kSecondGroup = place_of("no_scroll_area");
constexpr std::size_t kThirdGroup = place_of("menu_width3");

}  // namespace

struct SettingSections {
  using G = GameSettings;

  static void on_data(G& c, const Line& l) {
    const auto n = static_cast<std::size_t>(l.state() - 1);
    auto& v = c.numbers[n];
    switch (kTable[n].kind) {
      case Kind::Ints:
        if (kTable[n].width == 1) l.scan("%d", v[0]);
        if (kTable[n].width == 2) l.scan("%d %d", v[0], v[1]);
        if (kTable[n].width == 3) l.scan("%d %d %d", v[0], v[1], v[2]);
        break;
      case Kind::Title:
        l.copy_into(c.title);
        break;
      case Kind::Denomi:
        l.copy_into(c.denomi_name);
        break;
      case Kind::FontName:
        l.copy_into(c.font_name);
        break;
      case Kind::Focus: {
        auto& f = c.img_focus;
        l.scan("%s %d %d %d %d %d", c.img_focus_name, f[0], f[1], f[2], f[3], f[4]);
        break;
      }
      case Kind::SellRate:
        l.scan("%f", c.item_sell_rate);
        break;
      case Kind::FontColor:
        // Nine rows per section; the counter moves on whether or not the line scanned.
        if (c.font_color_row_ >= static_cast<int>(G::kFontColorRows)) {
          l.note(Note::LineUnused);
          break;
        }
        auto& row = c.font_color[static_cast<std::size_t>(c.font_color_row_++)];
        l.scan("%d %d %d", row[0], row[1], row[2]);
        break;
    }
  }

  static void on_font_color_open(G& c) { c.font_color_row_ = 0; }

  static constexpr std::array<Section<G>, G::kSettings> sections() {
    std::array<Section<G>, G::kSettings> s{};
    for (std::size_t i = 0; i < s.size(); ++i) {
      s[i] = {kTable[i].key, on_data,
              kTable[i].kind == Kind::FontColor ? on_font_color_open : nullptr};
    }
    return s;
  }
};

namespace {

constexpr auto kSections = SettingSections::sections();
constexpr Group<GameSettings> kAll(kSections);

}  // namespace

std::int32_t& GameSettings::save_max() {
  return numbers[kSaveMax][0];
}

bool GameSettings::read(ByteSource& source, Report& report) {
  const std::int32_t kept = save_max();
  *this = GameSettings();
  save_max() = kept;
  // Every line passes through the three groups in turn; within a group, an opening tag of a later
  // setting is a data line of the open one.
  walk<GameSettings>(
      source, kShortLines, *this,
      {kAll.subspan(0, kSecondGroup), kAll.subspan(kSecondGroup, kThirdGroup - kSecondGroup),
       kAll.subspan(kThirdGroup)},
      report);
  return true;
}

KeyedData GameSettings::write() {
  KeyedData out(static_cast<std::int32_t>(kSettings));
  for (std::size_t n = 0; n < kSettings; ++n) {
    const Setting& s = kTable[n];
    switch (s.kind) {
      case Kind::Ints:
        out.field(s.key, 4 * s.width);
        for (std::size_t i = 0; i < s.width; ++i)
          out.i32(numbers[n][i]);
        break;
      case Kind::Title:
      case Kind::Denomi:
      case Kind::FontName: {
        const std::span<const char> text = s.kind == Kind::Title ? std::span<const char>(title)
                                           : s.kind == Kind::Denomi
                                               ? std::span<const char>(denomi_name)
                                               : std::span<const char>(font_name);
        out.field(s.key, KeyedData::counted_size(text));
        out.counted(text);
        break;
      }
      case Kind::Focus:
        out.field(s.key, KeyedData::counted_size(img_focus_name) + 20);
        out.counted(img_focus_name);
        for (const std::int32_t v : img_focus)
          out.i32(v);
        break;
      case Kind::SellRate:
        out.field(s.key, 4);
        out.f32(item_sell_rate);
        break;
      case Kind::FontColor:
        out.field(s.key, 4 * 3 * kFontColorRows);
        for (const auto& row : font_color) {
          for (const std::int32_t v : row)
            out.i32(v);
        }
        break;
    }
  }
  return out;
}

}  // namespace kelv
