#include "convert/world/scene.h"

#include <limits>
#include <span>
#include <utility>

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kKindLine = line(value<&Scenes::scene_kind>("scene_kind"));
constexpr auto kNameLine = line(text<&Scenes::scene_name>("scene_name"));
constexpr auto kMapLine = line(value<&Scenes::filename_map_data>("filename_map_data"));
constexpr auto kChipLine = line(value<&Scenes::filename_bg_map_chip>("filename_bg_map_chip"));
constexpr auto kLayerLine =
    line(value<&Scenes::layer_map_chip>("file_name"), values<&Scenes::layer_values>("value", 1));
constexpr auto kMidiLine = line(value<&Scenes::midi_index>("midi_index").refers_to(kMusicList));
constexpr auto kSceneChangeLine = line(values<&SceneChange::values>("value", 1));
constexpr auto kNpcLine = line(value<&SceneIndex::value>("index").refers_to(kNpcList));
constexpr auto kTreasureLine = line(value<&SceneIndex::value>("index").refers_to(kTreasureList));
constexpr auto kBattleLine = line(value<&Battle::value1>("value1"),
                                  value<&Battle::value2>("value2"), value<&Battle::name>("name"));
constexpr auto kRowLine = line(values<&FieldRow::values>("value", 1));
constexpr auto kAnimFileLine = line(value<&Scenes::anim_field_filename>("anim_field_filename"));
constexpr auto kEventLine = line(values<&EventPos::values>("value", 1));
constexpr ValueShape kCommandCount{"flag_cmd_number"};
// A command is the whole line, blanks included, an empty one too.
constexpr ValueShape kCommand{"command", 0, ValueKind::Text, Stored::AsRead, kLongLines};
constexpr std::array<ValueShape, 1> kCommandLine{kCommand};

// The four lists of indexes and events: a count line replaces the list by a new zero-filled one
// of that many elements (elements read before are lost, and the count keeps what was scanned
// even when no list can be made); the opening tag of the data section starts again at the first.
// While a list is absent, both its fields are left out.
constexpr CountedRules kOptionalList{.restarts = true, .optional = true};
constexpr Text kRestarts = tr("the opening tag starts again at the first");

// The two field tables share one row index; lines past the sixteenth row are ignored.
template <auto Field>
void on_row(Scenes& c, const Line& l) {
  if (c.row >= kFieldRows) {
    l.note(seen::LineUnused::rows_full(kFieldRows));
    return;
  }
  l.at_record(static_cast<std::int64_t>(c.row));
  l.scan(kRowLine, (c.*Field).rows[c.row++]);
}

// The battle field table goes with the battles, the animation field table with its file.
bool battles(const Scenes& c) {
  return c.battles.table.present();
}
bool animated(const Scenes& c) {
  return c.anim_field_filename[0] != '\0';
}

template <auto Field, auto Written, class L>
void rows_field(L& l, Scenes& c, const Section<Scenes>& s) {
  l.field_if(Written(c), s.name,
             [&](auto& d) { d.held_array(std::span((c.*Field).rows), kRowLine); });
}

template <auto Field, auto Written>
void row_lines(SourceWriter& out, const Scenes& c, const Section<Scenes>& s) {
  if (Written(c)) out.records(s.name, std::span<const FieldRow>((c.*Field).rows), kRowLine);
}

template <auto Field, auto Written>
constexpr Section<Scenes> rows(std::string_view name, Text note) {
  return {.name = name,
          .on_data = on_row<Field>,
          .on_open = [](Scenes& c) { c.row = 0; },
          .role = Role::Records,
          .restarts = true,
          .line = kRowLine.shape(),
          .note = note,
          .write = rows_field<Field, Written, DataWriter>,
          .load = rows_field<Field, Written, DataReader>,
          .decompile = row_lines<Field, Written>};
}

// The animation field's file: without it neither it nor the animation field is written.
constexpr Section<Scenes> anim_file_section() {
  Section<Scenes> s =
      value_section<kAnimFileLine>({.note = tr("without it the animation field is not written")});
  s.write = [](DataWriter& l, Scenes& c, const Section<Scenes>& self) {
    l.field_if(animated(c), self.name, [&](auto& d) { d.line(kAnimFileLine, c); });
  };
  s.load = [](DataReader& l, Scenes& c, const Section<Scenes>& self) {
    l.field_if(animated(c), self.name, [&](auto& d) { d.line(kAnimFileLine, c); });
  };
  s.decompile = [](SourceWriter& out, const Scenes& c, const Section<Scenes>& self) {
    if (animated(c)) out.section(self.name, kAnimFileLine, c);
  };
  return s;
}

// The flag the command sections work on: the flag index selects it, and only the closing tag of
// the command section moves it on.
Flag* current_flag(Scenes& c, const Line& l) {
  return record_for(l, c.flags.table, c.flag);
}

void on_command_count(Scenes& c, const Line& l) {
  if (Flag* f = current_flag(c, l)) f->commands.count_line(l);
}

void on_command(Scenes& c, const Line& l) {
  Flag* f = current_flag(c, l);
  if (f == nullptr) return;
  CommandSlot* slot = f->commands.next(l, c.next_command);
  if (slot == nullptr) return;
  const std::string_view text = l.text();
  // The commands go into one field, whose data size must fit 32 bits: a command that would
  // take it past that leaves its slot empty.
  if (c.command_bytes + counted_size(text) > std::numeric_limits<std::int32_t>::max()) {
    l.note(seen::LineUnused::field_full());
    return;
  }
  c.store(*slot, text);
}

template <class L>
void flag_count_field(L& l, Scenes& c, const Section<Scenes>& s) {
  l.field(s.name, [&](auto& d) { d.i32(c.flags.count, kCountValue); });
}

template <class L>
void command_counts_field(L& l, Scenes& c, const Section<Scenes>& s) {
  l.field_if(c.flags.table.present(), s.name, [&](auto& d) {
    d.each(c.flags.table, c.flags.count, 4,
           [](auto& e, Flag& f) { e.i32(f.commands.count, kCommandCount); });
  });
}

// The commands of every flag, flag after flag: every filled slot as counted text. A flag
// without a command array and an empty slot add nothing, so a reading gives each flag as many
// of the texts as its count asks, in order.
template <class D>
void commands(D& d, Scenes& c) {
  const std::span<Flag> flags = c.flags.table.all();
  if constexpr (D::kReading) {
    c.command_texts.reserve(d.left());  // the texts stay where the decompiler finds them
    DataListener& listen = d.listener();
    listen.begin_records(static_cast<std::int64_t>(flags.size()));
    for (std::size_t i = 0; i < flags.size(); ++i) {
      CountedTable<CommandSlot>& list = flags[i].commands;
      listen.begin_record(static_cast<std::int64_t>(i), d.at());
      const std::size_t n =
          std::min<std::size_t>(static_cast<std::size_t>(std::max(list.count, 0)), d.left() / 5);
      if (list.table.make(static_cast<std::int64_t>(n))) {
        listen.begin_records(static_cast<std::int64_t>(n));
        // A flag may have fewer commands than its count: the texts end with the field.
        for (std::size_t k = 0; k < n && d.left() > 0; ++k) {
          const std::uint64_t at = d.at();
          listen.begin_record(static_cast<std::int64_t>(k), at);
          std::string_view text;
          const bool read = d.read_text(text, kCommand);
          listen.end_record();
          if (!read) break;
          c.store(list.table[k], text);
          d.remember(c.command_texts.data() + list.table[k].offset, list.table[k].size, at + 4);
        }
        listen.end_records();
      }
      listen.end_record();
    }
    listen.end_records();
  } else {
    for (const Flag& f : flags) {
      for (const CommandSlot& slot : f.commands.table.all()) {
        if (slot.size != 0) d.counted(c.command(slot), kCommand);
      }
    }
  }
}

template <class L>
void commands_field(L& l, Scenes& c, const Section<Scenes>& s) {
  l.field_if(c.flags.table.present(), s.name, [&](auto& d) { commands(d, c); });
}

// Every flag's commands end with the closing tag, which moves on to the next flag.
void command_lines(SourceWriter& out, const Scenes& c, const Section<Scenes>& s, std::size_t e) {
  out.open(s.name);
  for (const CommandSlot& slot : c.flags.table[e].commands.table.all()) {
    if (slot.size != 0) out.text(c.command(slot), kCommand, c.command_texts.data() + slot.offset);
  }
  out.close();
}

// In this order: while a section is open, only its own tags and those above it are recognised.
// Always 22 fields are counted, also when the lists that are absent leave theirs out.
constexpr auto kSections = sections<Scenes>(
    value_section<kKindLine>(), value_section<kNameLine>({.note = tr("the whole line")}),
    value_section<kMapLine>(), value_section<kChipLine>(),
    // So spelt: the engine reads the layer's field by this name.
    line_section<kLayerLine>("lyer_map_chip"), value_section<kMidiLine>(),
    counted<&Scenes::scene_changes, &Scenes::next_scene_change, kSceneChangeLine, kOptionalList>(
        "scene_change_number", "scene_change_data", {}, {.note = kRestarts}),
    counted<&Scenes::npc_indexes, &Scenes::next_npc_index, kNpcLine, kOptionalList>(
        "npc_index_number", "npc_index_data", {}, {.note = kRestarts}),
    counted<&Scenes::treasure_indexes, &Scenes::next_treasure_index, kTreasureLine, kOptionalList>(
        "treasure_index_number", "treasure_index_data", {}, {.note = kRestarts}),
    counted<&Scenes::battles, &Scenes::next_battle, kBattleLine, kOptionalList>(
        "battle_number", "battle_data", {}, {.note = kRestarts}),
    rows<&Scenes::battle_field_data, battles>(
        "battle_field_data",
        tr("sixteen rows, one per line, written only with a battle list; the opening tag starts "
           "again at the first row (the animation field shares the row count)")),
    anim_file_section(),
    rows<&Scenes::anim_field_data, animated>(
        "anim_field_data",
        tr("sixteen rows, one per line; the opening tag starts again at the first row")),
    counted<&Scenes::event_positions, &Scenes::next_event_pos, kEventLine,
            CountedRules{.restarts = true}>("event_pos_number", "event_pos_data", {},
                                            {.note = kRestarts}),
    Section<Scenes>{.name = "flag_number",
                    .on_data = [](Scenes& c, const Line& l) { c.flags.count_line(l); },
                    .role = Role::Count,
                    .line = kCountLine,
                    .note = tr("the number of flags, each with its own command lines"),
                    .write = flag_count_field<DataWriter>,
                    .load = flag_count_field<DataReader>,
                    .decompile =
                        [](SourceWriter& out, const Scenes& c, const Section<Scenes>& s) {
                          if (c.flags.table.present() || c.flags.count != 0) {
                            out.count_section(s.name, c.flags.count);
                          }
                        },
                    .entries = [](const Scenes& c) { return c.flags.table.size(); }},
    Section<Scenes>{
        .name = kCommandCount.stem,
        .on_data = on_command_count,
        .role = Role::Count,
        .line = kCountLine,
        .note = tr("the number of command lines of the current flag"),
        .write = command_counts_field<DataWriter>,
        .load = command_counts_field<DataReader>,
        .decompile_entry =
            [](SourceWriter& out, const Scenes& c, const Section<Scenes>& s, std::size_t e) {
              out.count_section(s.name, c.flags.table[e].commands.count);
            }},
    // Every closing tag of the commands that gets this far moves on to the next flag, also one
    // that no opening tag opened.
    Section<Scenes>{.name = "flag_cmd_data",
                    .on_data = on_command,
                    .on_open = [](Scenes& c) { c.next_command = 0; },
                    .on_close = [](Scenes& c) { ++c.flag; },
                    .role = Role::Records,
                    .restarts = true,
                    .unfilled = [](Scenes& c) -> std::int64_t {
                      const Flag* f = c.flags.table.at(c.flag);
                      return f != nullptr ? unfilled(f->commands.table, c.next_command) : 0;
                    },
                    .line = kCommandLine,
                    .note = tr("the current flag's commands, one whole line each; the closing tag "
                               "moves on to the next flag, also outside the section"),
                    .write = commands_field<DataWriter>,
                    .load = commands_field<DataReader>,
                    .decompile_entry = command_lines});
constexpr Group<Scenes> kGroups[] = {kSections};

}  // namespace

void Scenes::store(CommandSlot& slot, std::string_view text) {
  command_bytes += counted_size(text);
  slot = {static_cast<std::uint32_t>(command_texts.size()),
          static_cast<std::uint32_t>(text.size() + 1)};
  command_texts.append(text);
  command_texts.push_back('\0');
}

const Declaration<Scenes>& Scenes::declaration() {
  static constexpr Declaration<Scenes> d{
      .about = tr(
          "one scene: its kind, name, map, music, scene changes, people, treasures, battles, field "
          "tables, event positions and flags with their commands"),
      .line_buffer = kLongLines,
      .groups = kGroups};
  return d;
}

void Scenes::release() {
  *this = Scenes();  // gives the texts' memory back, too
}

}  // namespace kelv
