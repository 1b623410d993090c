#include "convert/world/scene.h"

#include <limits>
#include <span>
#include <utility>

#include "format/sections.h"

namespace kelv {
namespace {

using S = Scenes;
using R = Scenes::Reading;

// Single values: every line scans again into the same field, so the last line that scans wins.
template <auto Field>
void on_word(S& c, const Line& l) {
  l.scan("%s", c.scene.*Field);
}

template <auto Field>
void on_int(S& c, const Line& l) {
  l.scan("%d", c.scene.*Field);
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

void on_scene_change(S& c, const Line& l) {
  if (auto* e = c.scene.scene_changes.next(l, c.at.scene_change)) {
    auto& v = e->values;
    l.scan("%d %d %d %d", v[0], v[1], v[2], v[3]);
  }
}

template <auto List, auto Index>
void on_index(S& c, const Line& l) {
  if (auto* e = (c.scene.*List).next(l, c.at.*Index)) l.scan("%d", *e);
}

void on_battle(S& c, const Line& l) {
  if (auto* e = c.scene.battles.next(l, c.at.battle)) {
    l.scan("%d %f %s", e->value1, e->value2, e->name);
  }
}

void on_event_pos(S& c, const Line& l) {
  if (auto* e = c.scene.event_positions.next(l, c.at.event_pos)) {
    auto& v = e->values;
    l.scan("%d %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4], v[5]);
  }
}

// The two field tables share one row index; lines past the sixteenth row are ignored.
template <auto Field>
void on_row(S& c, const Line& l) {
  if (c.at.row >= kFieldRows) {
    l.note(Note::LineUnused);
    return;
  }
  auto& v = (c.scene.*Field).rows[c.at.row++].values;
  l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4], v[5],
         v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15]);
}

// The flag the command sections work on: the flag index selects it, and only the closing tag
// "</flag_cmd_data>" moves it on.
Flag* current_flag(S& c, const Line& l) {
  return record_for(l, c.scene.flags.table, c.at.flag);
}

void on_command_count(S& c, const Line& l) {
  Flag* f = current_flag(c, l);
  if (f != nullptr) f->commands.count_line(l);
}

// A command is the whole line, blanks included, an empty one too.
void on_command(S& c, const Line& l) {
  Flag* f = current_flag(c, l);
  if (f == nullptr) return;
  CommandSlot* slot = f->commands.next(l, c.at.command);
  if (slot == nullptr) return;
  SceneTable& s = c.scene;
  const std::string_view text = l.text();
  const std::int64_t bytes = KeyedData::counted_size(text);
  // The commands go into one field, whose data size must fit 32 bits: a command that would
  // take it past that leaves its slot empty.
  if (s.command_bytes + bytes > std::numeric_limits<std::int32_t>::max()) {
    l.note(Note::LineUnused);
    return;
  }
  s.command_bytes += bytes;
  *slot = {static_cast<std::uint32_t>(s.command_texts.size()),
           static_cast<std::uint32_t>(text.size() + 1)};
  s.command_texts.append(text);
  s.command_texts.push_back('\0');
}

// In this order: while a section is open, only its own tags and those above it are recognised.
constexpr Section<S> kSections[] = {
    {"scene_kind", on_int<&SceneTable::scene_kind>},
    {"scene_name", [](S& c, const Line& l) { l.copy_into(c.scene.scene_name); }},
    {"filename_map_data", on_word<&SceneTable::filename_map_data>},
    {"filename_bg_map_chip", on_word<&SceneTable::filename_bg_map_chip>},
    {"lyer_map_chip",
     [](S& c, const Line& l) {
       auto& v = c.scene.layer_values;
       l.scan("%s %d %d %d %d %d", c.scene.layer_map_chip, v[0], v[1], v[2], v[3], v[4]);
     }},
    {"midi_index", on_int<&SceneTable::midi_index>},
    {"scene_change_number", on_count<&SceneTable::scene_changes>},
    {"scene_change_data", on_scene_change, restart<&R::scene_change>},
    {"npc_index_number", on_count<&SceneTable::npc_indexes>},
    {"npc_index_data", on_index<&SceneTable::npc_indexes, &R::npc_index>, restart<&R::npc_index>},
    {"treasure_index_number", on_count<&SceneTable::treasure_indexes>},
    {"treasure_index_data", on_index<&SceneTable::treasure_indexes, &R::treasure_index>,
     restart<&R::treasure_index>},
    {"battle_number", on_count<&SceneTable::battles>},
    {"battle_data", on_battle, restart<&R::battle>},
    {"battle_field_data", on_row<&SceneTable::battle_field_data>, restart<&R::row>},
    {"anim_field_filename", on_word<&SceneTable::anim_field_filename>},
    {"anim_field_data", on_row<&SceneTable::anim_field_data>, restart<&R::row>},
    {"event_pos_number", on_count<&SceneTable::event_positions>},
    {"event_pos_data", on_event_pos, restart<&R::event_pos>},
    {"flag_number", on_count<&SceneTable::flags>},
    {"flag_cmd_number", on_command_count},
    // Every "</flag_cmd_data>" that gets this far moves on to the next flag, also one that no
    // "<flag_cmd_data>" opened.
    {"flag_cmd_data", on_command, restart<&R::command>, [](S& c) { ++c.at.flag; }},
};

// These lists leave out their count, too, while they are absent.
template <class E>
void write_list(KeyedData& out, const CountedTable<E>& list, std::string_view count_key,
                std::string_view data_key) {
  if (list.table.present()) list.write(out, count_key, data_key);
}

}  // namespace

bool Scenes::read(ByteSource& source, Report& report) {
  release();
  walk<S>(source, kLongLines, *this, kSections, report);
  return true;
}

// Always 22 fields are counted, also when the lists that are absent leave theirs out.
KeyedData Scenes::write() {
  const SceneTable& s = scene;
  KeyedData out(22);
  out.i32_field("scene_kind", s.scene_kind);
  for (const auto& [key, text] :
       {std::pair{"scene_name", std::span<const char>(s.scene_name)},
        std::pair{"filename_map_data", std::span<const char>(s.filename_map_data)},
        std::pair{"filename_bg_map_chip", std::span<const char>(s.filename_bg_map_chip)}}) {
    out.field(key, KeyedData::counted_size(text));
    out.counted(text);
  }
  out.field("lyer_map_chip", KeyedData::counted_size(s.layer_map_chip) + 20);
  out.counted(s.layer_map_chip);
  for (const std::int32_t v : s.layer_values)
    out.i32(v);
  out.i32_field("midi_index", s.midi_index);

  write_list(out, s.scene_changes, "scene_change_number", "scene_change_data");
  write_list(out, s.npc_indexes, "npc_index_number", "npc_index_data");
  write_list(out, s.treasure_indexes, "treasure_index_number", "treasure_index_data");
  write_list(out, s.battles, "battle_number", "battle_data");
  // The battle field table goes with the battles, the animation field table with its file.
  if (s.battles.table.present()) {
    out.field("battle_field_data", sizeof(FieldTable));
    out.record(s.battle_field_data);
  }
  if (s.anim_field_filename[0] != '\0') {
    out.field("anim_field_filename", KeyedData::counted_size(s.anim_field_filename));
    out.counted(s.anim_field_filename);
    out.field("anim_field_data", sizeof(FieldTable));
    out.record(s.anim_field_data);
  }

  s.event_positions.write(out, "event_pos_number", "event_pos_data");

  out.i32_field("flag_number", s.flags.count);
  if (s.flags.table.present()) {
    const std::span<const Flag> flags = s.flags.table.all();
    out.field("flag_cmd_number", static_cast<std::int64_t>(flags.size()) * 4);
    for (const Flag& f : flags)
      out.i32(f.commands.count);
    // Every filled slot as counted text, flag after flag; a flag without a command array and an
    // empty slot add nothing.
    std::int64_t size = 0;
    for (const Flag& f : flags) {
      for (const CommandSlot& slot : f.commands.table.all())
        size += slot.size == 0 ? 0 : 4 + slot.size;
    }
    out.field("flag_cmd_data", size);
    for (const Flag& f : flags) {
      for (const CommandSlot& slot : f.commands.table.all()) {
        if (slot.size != 0) out.counted(s.command(slot));
      }
    }
  }
  return out;
}

void Scenes::release() {
  scene = SceneTable{};
  std::string().swap(scene.command_texts);  // gives the texts' memory back, too
  at = Reading{};
}

}  // namespace kelv
