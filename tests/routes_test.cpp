// How a base name picks its route and where the output goes.
#include "driver/routes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kelv {
namespace {

// The cases under tests/cases reach every route by its exact name; prefix routes take any name
// that begins with their prefix, with the extension "txt".
TEST(Routes, PrefixRoutesTakeMoreNames) {
  for (const auto& [name, prefix] :
       {std::pair{"map_anim2.txt", "map_anim"}, std::pair{"map_anim_town.txt", "map_anim"},
        std::pair{"map_anim.old.txt", "map_anim"}, std::pair{"scene01.txt", "scene"},
        std::pair{"scenery.txt", "scene"}}) {
    const Route* route = find_route(name);
    ASSERT_NE(route, nullptr) << name;
    EXPECT_EQ(route->name, prefix) << name;
    EXPECT_EQ(route->match, Match::PrefixTxt) << name;
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
