#include "convert/system/settings.h"

#include <string_view>

namespace kelv {
namespace {

using G = GameSettings;

// How a setting's data line is read and how its field is laid out: in both, as its line.
enum class Kind : std::uint8_t {
  Ints,       // "%d", "%d %d" or "%d %d %d": `width` int32
  Title,      // the whole line: `title`
  Denomi,     // the whole line: `denomi_name`
  FontName,   // the whole line: `font_name`, cut to 31 bytes
  Focus,      // "%s %d %d %d %d %d": the image name as counted text, then five int32
  SellRate,   // "%f": one float
  FontColor,  // "%d %d %d" per line, nine rows of three int32
};

constexpr auto kThree = line(values<&NumberRow::values>("value", 1));
constexpr auto kTwo = kThree.first<2>();
constexpr auto kOne = kThree.first<1>();
constexpr auto kTitleLine = line(text<&G::title>("title"));
constexpr auto kDenomiLine = line(text<&G::denomi_name>("denomi_name"));
constexpr auto kFontNameLine = line(text<&G::font_name>("font_name"));
constexpr auto kFocusLine =
    line(value<&G::img_focus_name>("file_name"), values<&G::img_focus>("value", 1));
constexpr auto kSellRateLine = line(value<&G::item_sell_rate>("item_sell_rate"));

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

// Calls `use(format, record)` with the line format of setting `n` and what its lines fill. The
// font colour rows are one line each; `use` gets the first.
template <class F>
void with_line(G& c, std::size_t n, F&& use) {
  const Setting& s = kTable[n];
  switch (s.kind) {
    case Kind::Ints:
      if (s.width == 1) use(kOne, c.numbers[n]);
      if (s.width == 2) use(kTwo, c.numbers[n]);
      if (s.width == 3) use(kThree, c.numbers[n]);
      break;
    case Kind::Title:
      use(kTitleLine, c);
      break;
    case Kind::Denomi:
      use(kDenomiLine, c);
      break;
    case Kind::FontName:
      use(kFontNameLine, c);
      break;
    case Kind::Focus:
      use(kFocusLine, c);
      break;
    case Kind::SellRate:
      use(kSellRateLine, c);
      break;
    case Kind::FontColor:
      use(kThree, c.font_color[0]);
      break;
  }
}

constexpr std::span<const ValueShape> shape_of(const Setting& s) {
  switch (s.kind) {
    case Kind::Ints:
      return s.width == 1 ? kOne.shape() : s.width == 2 ? kTwo.shape() : kThree.shape();
    case Kind::Title:
      return kTitleLine.shape();
    case Kind::Denomi:
      return kDenomiLine.shape();
    case Kind::FontName:
      return kFontNameLine.shape();
    case Kind::Focus:
      return kFocusLine.shape();
    case Kind::SellRate:
      return kSellRateLine.shape();
    case Kind::FontColor:
      return kThree.shape();
  }
  return {};
}

void on_data(G& c, const Line& l) {
  const auto n = static_cast<std::size_t>(l.state() - 1);
  if (kTable[n].kind != Kind::FontColor) {
    with_line(c, n, [&](const auto& format, auto& record) { l.scan(format, record); });
    return;
  }
  // Nine rows per section; the counter moves on whether or not the line scanned.
  if (c.font_color_row >= static_cast<int>(G::kFontColorRows)) {
    l.note(Note::LineUnused, G::kFontColorRows, 1);
    return;
  }
  l.scan(kThree, c.font_color[static_cast<std::size_t>(c.font_color_row++)]);
}

void on_font_color_open(G& c) {
  c.font_color_row = 0;
}

constexpr std::array<Section<G>, G::kSettings> sections() {
  std::array<Section<G>, G::kSettings> s{};
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool rows = kTable[i].kind == Kind::FontColor;
    s[i] = {.name = kTable[i].key,
            .on_data = on_data,
            .on_open = rows ? on_font_color_open : nullptr,
            .line = shape_of(kTable[i]),
            .note = rows ? "nine rows of three numbers, one row per line; the opening tag starts "
                           "again at the first row"
                    : i == kSaveMax ? "kept for the next setting file of the run"
                                    : ""};
  }
  return s;
}

constexpr auto kSections = sections();
constexpr Group<G> kAll(kSections);
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {
    std::span(kShapes).first(kSecondGroup),
    std::span(kShapes).subspan(kSecondGroup, kThirdGroup - kSecondGroup),
    std::span(kShapes).subspan(kThirdGroup)};

// Every setting in table order, each as its line; the font colours as nine rows.
template <class L>
void layout(L& l, G& c) {
  l.fields(static_cast<std::int32_t>(G::kSettings));
  for (std::size_t n = 0; n < G::kSettings; ++n) {
    l.field(kTable[n].key, [&](auto& d) {
      if (kTable[n].kind == Kind::FontColor) {
        d.lines(std::span(c.font_color), kThree);
      } else {
        with_line(c, n, [&](const auto& format, auto& record) { d.line(format, record); });
      }
    });
  }
}

}  // namespace

std::int32_t& GameSettings::save_max() {
  return numbers[kSaveMax].values[0];
}

const Vocabulary& GameSettings::vocabulary() const {
  static constexpr Vocabulary v{"the game's 75 global settings, one section each", kShortLines,
                                kGroups,
                                "save_max only: every other setting starts from zero in each file"};
  return v;
}

bool GameSettings::read(ByteSource& source, Report& report) {
  const std::int32_t kept = save_max();
  *this = GameSettings();
  save_max() = kept;
  // Every line passes through the three groups in turn; within a group, an opening tag of a later
  // setting is a data line of the open one.
  walk<G>(source, kShortLines, *this,
          {kAll.subspan(0, kSecondGroup), kAll.subspan(kSecondGroup, kThirdGroup - kSecondGroup),
           kAll.subspan(kThirdGroup)},
          report);
  return true;
}

void GameSettings::write(DataWriter& out) {
  layout(out, *this);
}

void GameSettings::load(DataReader& in) {
  layout(in, *this);
}

void GameSettings::decompile(SourceWriter& out) {
  for (std::size_t n = 0; n < kSettings; ++n) {
    if (kTable[n].kind != Kind::FontColor) {
      with_line(*this, n, [&](const auto& format, auto& record) {
        out.section(kTable[n].key, format, record);
      });
      continue;
    }
    out.records(kTable[n].key, std::span<const NumberRow>(font_color), kThree);
  }
}

}  // namespace kelv
