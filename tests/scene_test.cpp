#include <gtest/gtest.h>

#include <string>

#include "convert/world/scene.h"
#include "support.h"

namespace kelv::test {
namespace {

// The six fields every scene file begins with.
Bytes head(std::int32_t kind = 0, std::string_view name = "", std::string_view map = "",
           std::string_view bg = "", std::string_view layer = "",
           std::initializer_list<std::int32_t> layer_values = {0, 0, 0, 0, 0},
           std::int32_t midi = 0) {
  return cat({field("scene_kind", i32(kind)), field("scene_name", counted(name)),
              field("filename_map_data", counted(map)), field("filename_bg_map_chip", counted(bg)),
              field("lyer_map_chip", cat({counted(layer), ints(layer_values)})),
              field("midi_index", i32(midi))});
}

const Bytes kNoEvents = field("event_pos_number", i32(0));
const Bytes kNoFlags = field("flag_number", i32(0));

// A 16 x 16 table whose listed rows are given and the rest zero.
Bytes field_table(std::initializer_list<Bytes> rows) {
  Bytes out = cat(rows);
  out.resize(1024, 0);
  return out;
}

Bytes row(std::int32_t first) {
  Bytes r = i32(first);
  r.resize(64, 0);
  return r;
}

TEST(Scenes, Sources) {
  const std::string name(300, 'n');
  const std::string word(400, 'w');
  // Seventeen battle field rows: the row index stops at 16, and the animation table goes on
  // from where the battle table left it.
  std::string rows;
  for (int i = 1; i <= 17; ++i)
    rows += std::to_string(i) + " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 99\n";
  Bytes battle;
  for (int i = 1; i <= 16; ++i) {
    // The second section's "-1" rewrites only the first value of row 0.
    Bytes r = row(i == 1 ? -1 : i);
    r[60] = 99;
    battle = cat({battle, r});
  }
  expect_outputs<Scenes>({
      {"single values",
       "<scene_kind>\n3\nnot a number\n</scene_kind>\n"
       "<scene_name>\nold\n\x8a\x58 \x82\xcc town\n</scene_name>\n"
       "<filename_map_data>\nmap one.dat\n</filename_map_data>\n"
       "<filename_bg_map_chip>\nbg.bmp\n</filename_bg_map_chip>\n"
       "<lyer_map_chip>\nlayer.bmp 1 2 -3\n</lyer_map_chip>\n<midi_index>\n7\n</midi_index>\n",
       keyed(22,
             {head(3, "\x8a\x58 \x82\xcc town", "map", "bg.bmp", "layer.bmp", {1, 2, -3, 0, 0}, 7),
              kNoEvents, kNoFlags})},
      {"overlong name and words are cut",
       "<scene_name>\n" + name + "\n</scene_name>\n<filename_map_data>\n" + word +
           "\n</filename_map_data>\n",
       keyed(22, {head(0, name.substr(0, 255), word.substr(0, 259)), kNoEvents, kNoFlags})},
      // While a section is open, only its own tags and those above it are recognised.
      {"an open name takes later tags as its lines",
       "<scene_name>\nTown\n<filename_map_data>\n<scene_kind>\n4\n</scene_kind>\n",
       keyed(22, {head(4, "<filename_map_data>"), kNoEvents, kNoFlags})},
      {"an open section hides the flag command tags",
       "<flag_number>\n1\n</flag_number>\n<flag_cmd_number>\n1\n</flag_cmd_number>\n"
       "<midi_index>\n</flag_cmd_data>\n<flag_cmd_data>\n2\n</midi_index>\n"
       "<flag_cmd_data>\ngo\n</flag_cmd_data>\n",
       keyed(22,
             {head(0, "", "", "", "", {0, 0, 0, 0, 0}, 2), kNoEvents, field("flag_number", i32(1)),
              field("flag_cmd_number", ints({1})), field("flag_cmd_data", counted("go"))})},
      {"lists present but empty",
       "<scene_change_number>\n0\n</scene_change_number>\n"
       "<npc_index_number>\n0\n</npc_index_number>\n"
       "<treasure_index_number>\n0\n</treasure_index_number>\n"
       "<battle_number>\n0\n</battle_number>\n<event_pos_number>\n0\n</event_pos_number>\n"
       "<flag_number>\n0\n</flag_number>\n",
       keyed(22, {head(), field("scene_change_number", i32(0)), field("scene_change_data", {}),
                  field("npc_index_number", i32(0)), field("npc_index_data", {}),
                  field("treasure_index_number", i32(0)), field("treasure_index_data", {}),
                  field("battle_number", i32(0)), field("battle_data", {}),
                  field("battle_field_data", zeros(1024)), kNoEvents, field("event_pos_data", {}),
                  kNoFlags, field("flag_cmd_number", {}), field("flag_cmd_data", {})})},
      // Absent lists still write their scanned count where it is always written.
      {"absent lists",
       "<npc_index_number>\n-1\n</npc_index_number>\n<event_pos_number>\n-2\n</event_pos_number>\n"
       "<flag_number>\n-3\n</flag_number>\n",
       keyed(22, {head(), field("event_pos_number", i32(-2)), field("flag_number", i32(-3))})},
      {"list elements",
       "<scene_change_number>\n2\n</scene_change_number>\n"
       "<scene_change_data>\n1 2 3 4\n5 6\n9 9 9 9\n</scene_change_data>\n"
       "<npc_index_number>\n3\n</npc_index_number>\n"
       "<npc_index_data>\n4\n\n</npc_index_data>\n<npc_index_data>\n8\n</npc_index_data>\n"
       "<treasure_index_data>\n5\n</treasure_index_data>\n"
       "<battle_number>\n2\n</battle_number>\n<battle_data>\n1 2 wolves\n3\n</battle_data>\n"
       "<event_pos_number>\n1\n</event_pos_number>\n"
       "<event_pos_data>\n1 2 3 4 5 6 7\n</event_pos_data>\n",
       keyed(22, {head(), field("scene_change_number", i32(2)),
                  field("scene_change_data", ints({1, 2, 3, 4, 5, 6, 0, 0})),
                  field("npc_index_number", i32(3)), field("npc_index_data", ints({8, 0, 0})),
                  field("battle_number", i32(2)),
                  field("battle_data", cat({i32(1), f32(2.0f), fixed("wolves", 260), i32(3),
                                            f32(0.0f), zeros(260)})),
                  field("battle_field_data", zeros(1024)), field("event_pos_number", i32(1)),
                  field("event_pos_data", ints({1, 2, 3, 4, 5, 6})), kNoFlags})},
      // The count tag stands above the data section, so it is recognised while the data is open.
      {"a new count replaces the list",
       "<npc_index_number>\n3\n</npc_index_number>\n<npc_index_data>\n1\n2\n"
       "<npc_index_number>\n2\n</npc_index_number>\n<npc_index_data>\n5\n",
       keyed(22, {head(), field("npc_index_number", i32(2)), field("npc_index_data", ints({5, 0})),
                  kNoEvents, kNoFlags})},
      {"field tables share one row index",
       "<battle_number>\n0\n</battle_number>\n<battle_field_data>\n" + rows +
           "</battle_field_data>\n<anim_field_filename>\nanim.dat\n</anim_field_filename>\n"
           "<anim_field_data>\n1 2 3\n</anim_field_data>\n"
           "<battle_field_data>\n-1\n</battle_field_data>\n"
           "<anim_field_data>\n</anim_field_data>\n7\n",
       keyed(22,
             {head(), field("battle_number", i32(0)), field("battle_data", {}),
              field("battle_field_data", battle), field("anim_field_filename", counted("anim.dat")),
              field("anim_field_data", field_table({ints({1, 2, 3}), zeros(52)})), kNoEvents,
              kNoFlags})},
      {"field tables only with battles or an animation file",
       "<battle_field_data>\n1\n</battle_field_data>\n<anim_field_data>\n2\n</anim_field_data>\n",
       keyed(22, {head(), kNoEvents, kNoFlags})},
      // Every "</flag_cmd_data>" moves on to the next flag.
      {"flags with missing and extra commands",
       "<flag_number>\n4\n</flag_number>\n"
       // flag 0: three announced, two given
       "<flag_cmd_number>\n3\n</flag_cmd_number>\n"
       "<flag_cmd_data>\nsay hello there\n\n</flag_cmd_data>\n"
       // flag 1: one announced, two given
       "<flag_cmd_number>\n1\n</flag_cmd_number>\n<flag_cmd_data>\nwarp 2\nwarp "
       "3\n</flag_cmd_data>\n"
       // flag 2: skipped by a closing tag that nothing opened
       "</flag_cmd_data>\n"
       // flag 3: its last section left open at the final line feed
       "<flag_cmd_number>\n2\n</flag_cmd_number>\n<flag_cmd_data>\nend\n",
       keyed(22, {head(), kNoEvents, field("flag_number", i32(4)),
                  field("flag_cmd_number", ints({3, 1, 0, 2})),
                  field("flag_cmd_data", cat({counted("say hello there"), counted(""),
                                              counted("warp 2"), counted("end"), counted("")}))})},
      {"commands beyond the flags or without a command array are dropped",
       "<flag_cmd_number>\n1\n</flag_cmd_number>\n"
       "<flag_cmd_data>\nbefore the flags\n</flag_cmd_data>\n<flag_number>\n3\n</flag_number>\n"
       // the flag index is 1 already: flag 0 gets nothing
       "<flag_cmd_data>\nno array yet\n</flag_cmd_data>\n"
       "<flag_cmd_number>\n-1\n</flag_cmd_number>\n<flag_cmd_data>\nno array\n</flag_cmd_data>\n"
       "<flag_cmd_number>\n1\n</flag_cmd_number>\n<flag_cmd_data>\nbeyond\n</flag_cmd_data>\n",
       keyed(22, {head(), kNoEvents, field("flag_number", i32(3)),
                  field("flag_cmd_number", ints({0, 0, -1})), field("flag_cmd_data", {})})},
  });
}

TEST(Scenes, EachReadingStartsFromAClearedScene) {
  Scenes c;
  const Bytes empty = keyed(22, {head(), kNoEvents, kNoFlags});
  EXPECT_EQ(convert(c, ""), empty);
  const std::string full =
      "<scene_kind>\n1\n</scene_kind>\n<battle_number>\n1\n</battle_number>\n"
      "<battle_field_data>\n5\n</battle_field_data>\n"
      "<flag_number>\n1\n</flag_number>\n<flag_cmd_number>\n1\n</flag_cmd_number>\n"
      "<flag_cmd_data>\nx\n</flag_cmd_data>\n";
  const Bytes first = convert(c, full);
  ASSERT_EQ(first,
            keyed(22, {head(1), field("battle_number", i32(1)), field("battle_data", zeros(268)),
                       field("battle_field_data", field_table({row(5)})), kNoEvents,
                       field("flag_number", i32(1)), field("flag_cmd_number", ints({1})),
                       field("flag_cmd_data", counted("x"))}));
  // Without the release in between, the reader still clears what the last file left.
  EXPECT_EQ(convert(c, ""), empty);
  c.release();
  EXPECT_EQ(convert_once(c, full), first);
  EXPECT_FALSE(c.scene.flags.table.present());
  EXPECT_TRUE(c.scene.command_texts.empty());
}

}  // namespace
}  // namespace kelv::test
