#include "convert/world/scene.h"

#include <limits>
#include <span>
#include <utility>

namespace kelv {
namespace {

using S = Scenes;
using T = SceneTable;
using R = Scenes::Reading;

constexpr auto kKindLine = line(value<&T::scene_kind>("scene_kind"));
constexpr auto kNameLine = line(text<&T::scene_name>("scene_name"));
constexpr auto kMapLine = line(value<&T::filename_map_data>("filename_map_data"));
constexpr auto kChipLine = line(value<&T::filename_bg_map_chip>("filename_bg_map_chip"));
constexpr auto kLayerLine =
    line(value<&T::layer_map_chip>("file_name"), values<&T::layer_values>("value", 1));
constexpr auto kMidiLine = line(value<&T::midi_index>("midi_index"));
constexpr auto kSceneChangeLine = line(values<&SceneChange::values>("value", 1));
constexpr auto kIndexLine = line(value<&SceneIndex::value>("index"));
constexpr auto kBattleLine = line(value<&Battle::value1>("value1"),
                                  value<&Battle::value2>("value2"), value<&Battle::name>("name"));
constexpr auto kRowLine = line(values<&FieldRow::values>("value", 1));
constexpr auto kAnimFileLine = line(value<&T::anim_field_filename>("anim_field_filename"));
constexpr auto kEventLine = line(values<&EventPos::values>("value", 1));
constexpr ValueShape kCommandCount{"flag_cmd_number"};
// A command is the whole line, blanks included, an empty one too.
constexpr ValueShape kCommand{"command", 0, ValueKind::Text, Twist::None, kLongLines};
constexpr std::array<ValueShape, 1> kCommandLine{kCommand};

// Single values: every line scans again into the same field, so the last line that scans wins.
template <const auto& Format>
void on_value(S& c, const Line& l) {
  l.scan(Format, c.scene);
}

// A count line replaces the list by a new zero-filled one of that many elements; elements read
// before are lost. The count keeps what was scanned even when no list can be made.
template <auto List>
void on_count(S& c, const Line& l) {
  (c.scene.*List).count_line(l);
}

template <auto Index>
void restart(S& c) {
  c.at.*Index = 0;
}

template <auto List, auto Index>
std::int64_t unfilled_of(S& c) {
  return unfilled((c.scene.*List).table, c.at.*Index);
}

template <auto List, auto Index, const auto& Format>
void on_element(S& c, const Line& l) {
  if (auto* e = (c.scene.*List).next(l, c.at.*Index)) l.scan(Format, *e);
}

// The two field tables share one row index; lines past the sixteenth row are ignored.
template <auto Field>
void on_row(S& c, const Line& l) {
  if (c.at.row >= kFieldRows) {
    l.note(Note::LineUnused, kFieldRows, 1);
    return;
  }
  l.scan(kRowLine, (c.scene.*Field).rows[c.at.row++]);
}

// The flag the command sections work on: the flag index selects it, and only the closing tag
// "</flag_cmd_data>" moves it on.
Flag* current_flag(S& c, const Line& l) {
  return record_for(l, c.scene.flags.table, c.at.flag);
}

void on_command_count(S& c, const Line& l) {
  if (Flag* f = current_flag(c, l)) f->commands.count_line(l);
}

void on_command(S& c, const Line& l) {
  Flag* f = current_flag(c, l);
  if (f == nullptr) return;
  CommandSlot* slot = f->commands.next(l, c.at.command);
  if (slot == nullptr) return;
  T& s = c.scene;
  const std::string_view text = l.text();
  // The commands go into one field, whose data size must fit 32 bits: a command that would
  // take it past that leaves its slot empty.
  if (s.command_bytes + counted_size(text) > std::numeric_limits<std::int32_t>::max()) {
    l.note(Note::LineUnused, 0, 2);
    return;
  }
  s.keep(*slot, text);
}

constexpr std::string_view kRestarts = "; the opening tag starts again at the first";

// In this order: while a section is open, only its own tags and those above it are recognised.
constexpr Section<S> kSections[] = {
    {.name = "scene_kind", .on_data = on_value<kKindLine>, .line = kKindLine.shape()},
    {.name = "scene_name",
     .on_data = on_value<kNameLine>,
     .line = kNameLine.shape(),
     .note = "the whole line"},
    {.name = "filename_map_data", .on_data = on_value<kMapLine>, .line = kMapLine.shape()},
    {.name = "filename_bg_map_chip", .on_data = on_value<kChipLine>, .line = kChipLine.shape()},
    {.name = "lyer_map_chip", .on_data = on_value<kLayerLine>, .line = kLayerLine.shape()},
    {.name = "midi_index", .on_data = on_value<kMidiLine>, .line = kMidiLine.shape()},
    {.name = "scene_change_number",
     .on_data = on_count<&T::scene_changes>,
     .role = Role::Count,
     .line = kCountLine},
    {.name = "scene_change_data",
     .on_data = on_element<&T::scene_changes, &R::scene_change, kSceneChangeLine>,
     .on_open = restart<&R::scene_change>,
     .role = Role::Records,
     .unfilled = unfilled_of<&T::scene_changes, &R::scene_change>,
     .line = kSceneChangeLine.shape(),
     .note = kRestarts},
    {.name = "npc_index_number",
     .on_data = on_count<&T::npc_indexes>,
     .role = Role::Count,
     .line = kCountLine},
    {.name = "npc_index_data",
     .on_data = on_element<&T::npc_indexes, &R::npc_index, kIndexLine>,
     .on_open = restart<&R::npc_index>,
     .role = Role::Records,
     .unfilled = unfilled_of<&T::npc_indexes, &R::npc_index>,
     .line = kIndexLine.shape(),
     .note = kRestarts},
    {.name = "treasure_index_number",
     .on_data = on_count<&T::treasure_indexes>,
     .role = Role::Count,
     .line = kCountLine},
    {.name = "treasure_index_data",
     .on_data = on_element<&T::treasure_indexes, &R::treasure_index, kIndexLine>,
     .on_open = restart<&R::treasure_index>,
     .role = Role::Records,
     .unfilled = unfilled_of<&T::treasure_indexes, &R::treasure_index>,
     .line = kIndexLine.shape(),
     .note = kRestarts},
    {.name = "battle_number",
     .on_data = on_count<&T::battles>,
     .role = Role::Count,
     .line = kCountLine},
    {.name = "battle_data",
     .on_data = on_element<&T::battles, &R::battle, kBattleLine>,
     .on_open = restart<&R::battle>,
     .role = Role::Records,
     .unfilled = unfilled_of<&T::battles, &R::battle>,
     .line = kBattleLine.shape(),
     .note = kRestarts},
    {.name = "battle_field_data",
     .on_data = on_row<&T::battle_field_data>,
     .on_open = restart<&R::row>,
     .role = Role::Records,
     .line = kRowLine.shape(),
     .note = "sixteen rows, one per line, written only with a battle list; the opening tag "
             "starts again at the first row (the animation field shares the row count)"},
    {.name = "anim_field_filename",
     .on_data = on_value<kAnimFileLine>,
     .line = kAnimFileLine.shape(),
     .note = "without it the animation field is not written"},
    {.name = "anim_field_data",
     .on_data = on_row<&T::anim_field_data>,
     .on_open = restart<&R::row>,
     .role = Role::Records,
     .line = kRowLine.shape(),
     .note = "sixteen rows, one per line; the opening tag starts again at the first row"},
    {.name = "event_pos_number",
     .on_data = on_count<&T::event_positions>,
     .role = Role::Count,
     .line = kCountLine},
    {.name = "event_pos_data",
     .on_data = on_element<&T::event_positions, &R::event_pos, kEventLine>,
     .on_open = restart<&R::event_pos>,
     .role = Role::Records,
     .unfilled = unfilled_of<&T::event_positions, &R::event_pos>,
     .line = kEventLine.shape(),
     .note = kRestarts},
    {.name = "flag_number",
     .on_data = on_count<&T::flags>,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of flags, each with its own command lines"},
    {.name = "flag_cmd_number",
     .on_data = on_command_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of command lines of the current flag"},
    // Every "</flag_cmd_data>" that gets this far moves on to the next flag, also one that no
    // "<flag_cmd_data>" opened.
    {.name = "flag_cmd_data",
     .on_data = on_command,
     .on_open = restart<&R::command>,
     .on_close = [](S& c) { ++c.at.flag; },
     .role = Role::Records,
     .unfilled = [](S& c) -> std::int64_t {
       const Flag* f = c.scene.flags.table.at(c.at.flag);
       return f != nullptr ? unfilled(f->commands.table, c.at.command) : 0;
     },
     .line = kCommandLine,
     .note = "the current flag's commands, one whole line each; the closing tag moves on to the "
             "next flag, also outside the section"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// A list that leaves out its count, too, while it is absent.
template <class L, class E, std::size_t N>
void optional_list(L& l, CountedTable<E>& list, std::string_view count_key,
                   std::string_view data_key, const LineFormat<E, N>& format) {
  l.field_if(list.table.present(), count_key, [&](auto& d) { d.i32(list.count, kCountValue); });
  l.field_if(list.table.present(), data_key,
             [&](auto& d) { d.held_table(list.table, list.count, format); });
}

// The commands of every flag, flag after flag: every filled slot as counted text. A flag
// without a command array and an empty slot add nothing, so a reading gives each flag as many
// of the texts as its count asks, in order.
template <class D>
void commands(D& d, T& s) {
  const std::span<Flag> flags = s.flags.table.all();
  if constexpr (D::kReading) {
    s.command_texts.reserve(d.left());  // the texts stay where the decompiler finds them
    DataListener& listen = d.listener();
    listen.begin_records(static_cast<std::int64_t>(flags.size()));
    for (std::size_t i = 0; i < flags.size(); ++i) {
      CountedTable<CommandSlot>& c = flags[i].commands;
      listen.begin_record(static_cast<std::int64_t>(i), d.at());
      const std::size_t n =
          std::min<std::size_t>(static_cast<std::size_t>(std::max(c.count, 0)), d.left() / 5);
      if (c.table.make(static_cast<std::int64_t>(n))) {
        listen.begin_records(static_cast<std::int64_t>(n));
        // A flag may have fewer commands than its count: the texts end with the field.
        for (std::size_t k = 0; k < n && d.left() > 0; ++k) {
          const std::uint64_t at = d.at();
          listen.begin_record(static_cast<std::int64_t>(k), at);
          std::string_view text;
          const bool read = d.read_text(text, kCommand);
          listen.end_record();
          if (!read) break;
          s.keep(c.table[k], text);
          d.remember(s.command_texts.data() + c.table[k].offset, c.table[k].size, at + 4);
        }
        listen.end_records();
      }
      listen.end_record();
    }
    listen.end_records();
  } else {
    for (const Flag& f : flags) {
      for (const CommandSlot& slot : f.commands.table.all()) {
        if (slot.size != 0) d.counted(s.command(slot), kCommand);
      }
    }
  }
}

// Always 22 fields are counted, also when the lists that are absent leave theirs out.
template <class L>
void layout(L& l, T& s) {
  l.fields(22);
  l.field("scene_kind", [&](auto& d) { d.line(kKindLine, s); });
  l.field("scene_name", [&](auto& d) { d.line(kNameLine, s); });
  l.field("filename_map_data", [&](auto& d) { d.line(kMapLine, s); });
  l.field("filename_bg_map_chip", [&](auto& d) { d.line(kChipLine, s); });
  l.field("lyer_map_chip", [&](auto& d) { d.line(kLayerLine, s); });
  l.field("midi_index", [&](auto& d) { d.line(kMidiLine, s); });
  optional_list(l, s.scene_changes, "scene_change_number", "scene_change_data", kSceneChangeLine);
  optional_list(l, s.npc_indexes, "npc_index_number", "npc_index_data", kIndexLine);
  optional_list(l, s.treasure_indexes, "treasure_index_number", "treasure_index_data", kIndexLine);
  optional_list(l, s.battles, "battle_number", "battle_data", kBattleLine);
  // The battle field table goes with the battles, the animation field table with its file.
  l.field_if(s.battles.table.present(), "battle_field_data",
             [&](auto& d) { d.held_array(std::span(s.battle_field_data.rows), kRowLine); });
  const bool animated = s.anim_field_filename[0] != '\0';
  l.field_if(animated, "anim_field_filename", [&](auto& d) { d.line(kAnimFileLine, s); });
  l.field_if(animated, "anim_field_data",
             [&](auto& d) { d.held_array(std::span(s.anim_field_data.rows), kRowLine); });
  counted_fields(l, s.event_positions, "event_pos_number", "event_pos_data", kEventLine);
  l.field("flag_number", [&](auto& d) { d.i32(s.flags.count, kCountValue); });
  l.field_if(s.flags.table.present(), "flag_cmd_number", [&](auto& d) {
    d.each(s.flags.table, s.flags.count, 4,
           [](auto& e, Flag& f) { e.i32(f.commands.count, kCommandCount); });
  });
  l.field_if(s.flags.table.present(), "flag_cmd_data", [&](auto& d) { commands(d, s); });
}

void decompile_rows(SourceWriter& out, std::string_view tag, const FieldTable& table) {
  out.records(tag, std::span<const FieldRow>(table.rows), kRowLine);
}

}  // namespace

void SceneTable::keep(CommandSlot& slot, std::string_view text) {
  command_bytes += counted_size(text);
  slot = {static_cast<std::uint32_t>(command_texts.size()),
          static_cast<std::uint32_t>(text.size() + 1)};
  command_texts.append(text);
  command_texts.push_back('\0');
}

const Vocabulary& Scenes::vocabulary() const {
  static constexpr Vocabulary v{
      "one scene: its kind, name, map, music, scene changes, people, treasures, battles, field "
      "tables, event positions and flags with their commands",
      kLongLines,
      kGroups,
      {}};
  return v;
}

bool Scenes::read(ByteSource& source, Report& report) {
  release();
  walk<S>(source, kLongLines, *this, kSections, report);
  return true;
}

void Scenes::write(DataWriter& out) {
  layout(out, scene);
}

void Scenes::load(DataReader& in) {
  layout(in, scene);
}

void Scenes::decompile(SourceWriter& out) {
  const T& s = scene;
  out.section("scene_kind", kKindLine, s);
  out.section("scene_name", kNameLine, s);
  out.section("filename_map_data", kMapLine, s);
  out.section("filename_bg_map_chip", kChipLine, s);
  out.section("lyer_map_chip", kLayerLine, s);
  out.section("midi_index", kMidiLine, s);
  decompile_counted(out, s.scene_changes, "scene_change_number", "scene_change_data",
                    kSceneChangeLine);
  decompile_counted(out, s.npc_indexes, "npc_index_number", "npc_index_data", kIndexLine);
  decompile_counted(out, s.treasure_indexes, "treasure_index_number", "treasure_index_data",
                    kIndexLine);
  decompile_counted(out, s.battles, "battle_number", "battle_data", kBattleLine);
  if (s.battles.table.present()) decompile_rows(out, "battle_field_data", s.battle_field_data);
  if (s.anim_field_filename[0] != '\0') {
    out.section("anim_field_filename", kAnimFileLine, s);
    decompile_rows(out, "anim_field_data", s.anim_field_data);
  }
  decompile_counted(out, s.event_positions, "event_pos_number", "event_pos_data", kEventLine);
  if (!s.flags.table.present() && s.flags.count == 0) return;
  out.count_section("flag_number", s.flags.count);
  // Every flag's commands end with "</flag_cmd_data>", which moves on to the next flag.
  for (const Flag& f : s.flags.table.all()) {
    out.count_section("flag_cmd_number", f.commands.count);
    out.open("flag_cmd_data");
    for (const CommandSlot& slot : f.commands.table.all()) {
      if (slot.size != 0) out.text(s.command(slot), kCommand, s.command_texts.data() + slot.offset);
    }
    out.close();
  }
}

void Scenes::release() {
  scene = SceneTable{};
  std::string().swap(scene.command_texts);  // gives the texts' memory back, too
  at = Reading{};
}

}  // namespace kelv
