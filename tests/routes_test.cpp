#include "driver/routes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace kelv {
namespace {

TEST(Routes, EveryNameReachesItsConverter) {
  Converters all;
  const std::pair<std::string_view, const Converter*> cases[] = {
      {"prepare.txt", &all.folders},
      {"start_game.txt", &all.start},
      {"midi_list.txt", &all.midi},
      {"wave_list.txt", &all.waves},
      {"title.txt", &all.title},
      {"narration_list.txt", &all.narration},
      {"talk_list.txt", &all.talk},
      {"item_list.txt", &all.items},
      {"shop_list.txt", &all.shops},
      {"level_list.txt", &all.levels},
      {"level_ability_list.txt", &all.level_abilities},
      {"monster_list.txt", &all.monsters},
      {"enemy_list.txt", &all.enemies},
      {"magic_list.txt", &all.magic},
      {"image_back.txt", &all.image_back},
      {"image_select.txt", &all.image_select},
      {"image_face.txt", &all.image_face},
      {"image_effect.txt", &all.image_effects},
      {"map_anim.txt", &all.map_anims},
      {"map_anim2.txt", &all.map_anims},
      {"map_anim_town.txt", &all.map_anims},
      {"map_anim.old.txt", &all.map_anims},
      {"treasure_list.txt", &all.treasures},
      {"pc.txt", &all.pc},
      {"npc_list.txt", &all.npcs},
      {"scene.txt", &all.scenes},
      {"scene01.txt", &all.scenes},
      {"scene_town.txt", &all.scenes},
      {"scenery.txt", &all.scenes},
      {"setting.txt", &all.settings},
  };
  for (const auto& [name, converter] : cases) {
    const Route* route = find_route(name);
    ASSERT_NE(route, nullptr) << name;
    EXPECT_EQ(&route->pick(all), converter) << name;
  }
  EXPECT_EQ(route_table().size(), 24u);
}

TEST(Routes, NamesCompareByteForByte) {
  for (const char* other :
       {"PREPARE.TXT",  "Prepare.txt",     "prepare.TXT",       "prepare.txt.bak",
        "prepare.txt ", "my_prepare.txt",  "prepare",           "",
        "unknown.txt",  "image_sel.txt",   "image_effects.txt", "Item_list.txt",
        "scene01.TXT",  "scene01.txt.bak", "Scene01.txt",       "scene_town.csv",
        "scene",        "map_anim.TXT",    "map_ani.txt",       "map_anim",
        "a_scene.txt"}) {
    EXPECT_EQ(find_route(other), nullptr) << other;
  }
}

TEST(Routes, NoRouteHidesAnother) {
  for (const Route& r : route_table()) {
    const std::string probe =
        r.match == Match::Name ? std::string(r.name) : std::string(r.name) + "_probe.txt";
    EXPECT_EQ(find_route(probe), &r) << probe;
  }
}

TEST(Routes, PathParts) {
  struct Case {
    const char* path;
    const char* base;
    const char* ext;
    const char* output;
  } cases[] = {
      {"prepare.txt", "prepare.txt", "txt", "prepare.dat"},
      {"game/data/item_list.txt", "item_list.txt", "txt", "game/data/item_list.dat"},
      {"/a.b/map_anim.old.txt", "map_anim.old.txt", "txt", "/a.b/map_anim.old.dat"},
      {"dir.v2/noext", "noext", "", "dir.v2/noext.dat"},
      {"scene01.txt.bak", "scene01.txt.bak", "bak", "scene01.txt.dat"},
#ifndef _WIN32
      // A backslash is part of a file name here.
      {"c:\\game\\prepare.txt", "c:\\game\\prepare.txt", "txt", "c:\\game\\prepare.dat"},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(base_name(c.path), c.base) << c.path;
    EXPECT_EQ(extension(base_name(c.path)), c.ext) << c.path;
    EXPECT_EQ(output_path(c.path), c.output) << c.path;
  }
}

}  // namespace
}  // namespace kelv
