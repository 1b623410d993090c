// Scene sources: every "scene*.txt". A scene gives its kind and name, the map data and map-chip
// files it is built from, its music, and the counted lists of scene changes, NPC and treasure
// indexes, battles, event positions and flags, each flag with its own list of command lines;
// beside them two 16 x 16 field tables, one for battles and one for field animations.
//
// The scene is cleared before each reading and after each conversion, so nothing of one scene
// file reaches the next.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// The elements below are written as held.

struct SceneChange {
  std::array<std::int32_t, 4> values;
};
static_assert(sizeof(SceneChange) == 16);
static_assert(offsetof(SceneChange, values) == 0);

struct Battle {
  std::int32_t value1;
  float value2;
  std::array<char, 260> name;  // one word, NUL-terminated, rest zero
};
static_assert(sizeof(Battle) == 268);
static_assert(offsetof(Battle, value1) == 0);
static_assert(offsetof(Battle, value2) == 4);
static_assert(offsetof(Battle, name) == 8);

// An NPC or treasure index.
struct SceneIndex {
  std::int32_t value;
};
static_assert(sizeof(SceneIndex) == 4);

struct EventPos {
  std::array<std::int32_t, 6> values;
};
static_assert(sizeof(EventPos) == 24);
static_assert(offsetof(EventPos, values) == 0);

inline constexpr std::size_t kFieldRows = 16;

struct FieldRow {
  std::array<std::int32_t, 16> values;
};
static_assert(sizeof(FieldRow) == 64);
static_assert(offsetof(FieldRow, values) == 0);

struct FieldTable {
  std::array<FieldRow, kFieldRows> rows;
};
static_assert(sizeof(FieldTable) == 1024);
static_assert(offsetof(FieldTable, rows) == 0);

// One command line of a flag: where its text (and NUL) lies in the scene's command texts.
struct CommandSlot {
  std::uint32_t offset;
  std::uint32_t size;  // the text's length + 1; 0 for an empty slot
};

// A flag: the count of its command lines and their slots.
struct Flag {
  CountedTable<CommandSlot> commands;
};

// One scene file's data, and the reading of it. A cleared scene is all zero with every list
// absent.
class Scenes final : public SectionConverter<Scenes> {
 public:
  static const Declaration<Scenes>& declaration();

  void start_reading() { release(); }
  void release() override;  // the scene reset

  std::array<char, 256> scene_name{};  // the whole line, at most 255 bytes
  std::array<char, 260> filename_map_data{};
  std::array<char, 260> filename_bg_map_chip{};
  std::array<char, 260> anim_field_filename{};
  std::array<std::int32_t, 5> layer_values{};
  std::array<char, 260> layer_map_chip{};
  std::int32_t scene_kind = 0;
  std::int32_t midi_index = 0;
  FieldTable anim_field_data{};
  FieldTable battle_field_data{};
  CountedTable<Battle> battles;
  CountedTable<SceneIndex> npc_indexes;
  CountedTable<SceneIndex> treasure_indexes;
  CountedTable<SceneChange> scene_changes;
  CountedTable<EventPos> event_positions;
  CountedTable<Flag> flags;
  // The texts of all command slots, each with its NUL, one after the other.
  std::string command_texts;
  // The data size of the commands' field if every text stored were still in a slot.
  std::int64_t command_bytes = 0;

  std::string_view command(const CommandSlot& slot) const {
    return std::string_view(command_texts).substr(slot.offset, slot.size - 1);
  }
  // Stores `text` in `slot`.
  void store(CommandSlot& slot, std::string_view text);

  // Of the current reading: each list's running index, the row index the two field tables
  // share, the flag the command sections work on and the next command of that flag.
  std::int64_t next_scene_change = 0;
  std::int64_t next_npc_index = 0;
  std::int64_t next_treasure_index = 0;
  std::int64_t next_battle = 0;
  std::int64_t next_event_pos = 0;
  std::size_t row = 0;
  std::int64_t flag = 0;
  std::int64_t next_command = 0;
};

}  // namespace kelv
