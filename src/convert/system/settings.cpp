#include "convert/system/settings.h"

#include <string_view>

#include "convert/declare.h"

namespace kelv {
namespace {

using Settings = GameSettings;

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
constexpr auto kTitleLine = line(text<&Settings::title>("title"));
constexpr auto kDenomiLine = line(text<&Settings::denomi_name>("denomi_name"));
constexpr auto kFontNameLine = line(text<&Settings::font_name>("font_name"));
constexpr auto kFocusLine =
    line(value<&Settings::img_focus_name>("file_name"), values<&Settings::img_focus>("value", 1));
constexpr auto kSellRateLine = line(value<&Settings::item_sell_rate>("item_sell_rate"));

// What else a setting is.
enum class Mark : std::uint8_t {
  None,
  Kept,      // kept for the next setting file of the run
  NewGroup,  // the first of a group of tags
};

struct Setting {
  std::string_view key;  // the section's tag name and the field's name
  Kind kind = Kind::Ints;
  std::uint8_t width = 1;  // Kind::Ints: how many int32
  Mark mark = Mark::None;
  ListId refers = 0;  // Kind::Ints: the list its numbers pick an entry of (wave_*, midi_*)
};

// In section, key table and field order. The three tag groups are settings 1 to 29, 30 to 59 and
// 60 to 75.
constexpr std::array<Setting, GameSettings::kSettings> kTable = {{
    {kTitleLine.shapes[0].stem, Kind::Title},
    {"img_focus", Kind::Focus},
    {"effect_arrow_talk"},
    {"effect_arrow_menu1"},
    {"effect_arrow_menu2"},
    {"effect_bare"},
    {"wave_bare", Kind::Ints, 1, Mark::None, kSoundList},
    {"wave_battle", Kind::Ints, 3, Mark::None, kSoundList},
    {"wave_poison", Kind::Ints, 1, Mark::None, kSoundList},
    {"wave_equip_set", Kind::Ints, 1, Mark::None, kSoundList},
    {"wave_equip_remove", Kind::Ints, 1, Mark::None, kSoundList},
    {"midi_level_up", Kind::Ints, 1, Mark::None, kMusicList},
    {"midi_gameover", Kind::Ints, 1, Mark::None, kMusicList},
    {kDenomiLine.shapes[0].stem, Kind::Denomi},
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
    {"no_scroll_area", Kind::Ints, 2, Mark::NewGroup},
    {"straight_max"},
    {"game_speed"},
    {"fade_speed"},
    {"turn_speed"},
    {"enemy_attack_speed"},
    {"damage_speed"},
    {"enemy_damage_speed"},
    {"focus_speed"},
    {"letter_speed"},
    {kFontNameLine.shapes[0].stem, Kind::FontName},
    {"font_weight"},
    {"font_color", Kind::FontColor},
    {"event_font_size"},
    {"talk_font_size"},
    {"ability_max"},
    {"item_own_num"},
    {kSellRateLine.shapes[0].stem, Kind::SellRate},
    {"buy_disp_num"},
    {"sell_disp_num"},
    {"menu_disp_num1"},
    {"menu_disp_num2"},
    {"battle_disp_num"},
    {"save_disp_num"},
    {"battle_item_y"},
    {"battle_wait1"},
    {"battle_wait2"},
    {"save_max", Kind::Ints, 1, Mark::Kept},
    {"menu_width1"},
    {"menu_width2"},
    {"menu_width3", Kind::Ints, 1, Mark::NewGroup},
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

// The place of the `n`-th setting (from 0) marked `mark`.
constexpr std::size_t place_of(Mark mark, int n = 0) {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (kTable[i].mark == mark && n-- == 0) return i;
  }
  throw "no such setting";
}

constexpr std::size_t kSaveMax = place_of(Mark::Kept);
constexpr std::size_t kSecondGroup = place_of(Mark::NewGroup, 0);
constexpr std::size_t kThirdGroup = place_of(Mark::NewGroup, 1);

// Calls `use(format, record)` with the line format of setting `n` and what its lines fill. The
// font colour rows are one line each; `use` gets the first.
template <class F>
void with_line(Settings& c, std::size_t n, F&& use) {
  const Setting& s = kTable[n];
  switch (s.kind) {
    case Kind::Ints:
      if (s.width == 1) {
        use(s.refers == kSoundList   ? kOneSound
            : s.refers == kMusicList ? kOneMusic
                                     : kOne,
            c.numbers[n]);
      }
      if (s.width == 2) use(kTwo, c.numbers[n]);
      if (s.width == 3) use(s.refers == kSoundList ? kThreeSounds : kThree, c.numbers[n]);
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
      if (s.width == 1) {
        return s.refers == kSoundList   ? kOneSound.shape()
               : s.refers == kMusicList ? kOneMusic.shape()
                                        : kOne.shape();
      }
      return s.width == 2             ? kTwo.shape()
             : s.refers == kSoundList ? kThreeSounds.shape()
                                      : kThree.shape();
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

// The setting a section stands for: its place in the list.
std::size_t place_in(const Section<Settings>& s);

void on_data(Settings& c, const Line& l) {
  const auto n = static_cast<std::size_t>(l.state() - 1);
  if (kTable[n].kind != Kind::FontColor) {
    with_line(c, n, [&](const auto& format, auto& record) { l.scan(format, record); });
    return;
  }
  // Nine rows per section; the counter moves on whether or not the line scanned.
  if (c.font_color_row >= static_cast<int>(Settings::kFontColorRows)) {
    l.note(Note::LineUnused, Settings::kFontColorRows, 1);
    return;
  }
  l.at_record(c.font_color_row);
  l.scan(kThree, c.font_color[static_cast<std::size_t>(c.font_color_row++)]);
}

void on_font_color_open(Settings& c) {
  c.font_color_row = 0;
}

// Every setting's field is its line; the font colours are nine rows.
template <class L>
void field(L& l, Settings& c, const Section<Settings>& s) {
  const std::size_t n = place_in(s);
  l.field(s.name, [&](auto& d) {
    if (kTable[n].kind == Kind::FontColor) {
      d.lines(std::span(c.font_color), kThree);
    } else {
      with_line(c, n, [&](const auto& format, auto& record) { d.line(format, record); });
    }
  });
}

void lines(SourceWriter& out, const Settings& c, const Section<Settings>& s) {
  const std::size_t n = place_in(s);
  if (kTable[n].kind == Kind::FontColor) {
    out.records(s.name, std::span<const NumberRow>(c.font_color), kThree);
    return;
  }
  with_line(const_cast<Settings&>(c), n,
            [&](const auto& format, const auto& record) { out.section(s.name, format, record); });
}

constexpr std::array<Section<Settings>, Settings::kSettings> all_sections() {
  std::array<Section<Settings>, Settings::kSettings> s{};
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool rows = kTable[i].kind == Kind::FontColor;
    s[i] = {.name = kTable[i].key,
            .on_data = on_data,
            .on_open = rows ? on_font_color_open : nullptr,
            .keeps = i == kSaveMax,
            .line = shape_of(kTable[i]),
            .note = rows ? tr("nine rows of three numbers, one row per line; the opening tag "
                              "starts again at the first row")
                         : Text(),
            .write = field<DataWriter>,
            .load = field<DataReader>,
            .decompile = lines};
  }
  return s;
}

constexpr auto kSections = all_sections();

std::size_t place_in(const Section<Settings>& s) {
  return static_cast<std::size_t>(&s - kSections.data());
}

// Every line passes through the three groups in turn; within a group, an opening tag of a later
// setting is a data line of the open one.
constexpr Group<Settings> kAll(kSections);
constexpr Group<Settings> kGroups[] = {kAll.subspan(0, kSecondGroup),
                                       kAll.subspan(kSecondGroup, kThirdGroup - kSecondGroup),
                                       kAll.subspan(kThirdGroup)};

}  // namespace

std::int32_t& GameSettings::save_max() {
  return numbers[kSaveMax].values[0];
}

const Declaration<GameSettings>& GameSettings::declaration() {
  static constexpr Declaration<GameSettings> d{
      .about = tr("the game's 75 global settings, one section each"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

void GameSettings::start_reading() {
  const std::int32_t kept = save_max();
  *this = GameSettings();
  save_max() = kept;
}

}  // namespace kelv
