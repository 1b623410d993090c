#include "driver/routes.h"

#include <gtest/gtest.h>

#include <string>

namespace kelv {
namespace {

TEST(Routes, ExactNamesCompareByteForByte) {
  ASSERT_NE(find_route("prepare.txt"), nullptr);
  EXPECT_EQ(find_route("prepare.txt")->name, "prepare.txt");
  EXPECT_EQ(find_route("start_game.txt")->name, "start_game.txt");
  for (const char* other : {"PREPARE.TXT", "Prepare.txt", "prepare.TXT", "prepare.txt.bak",
                            "prepare.txt ", "my_prepare.txt", "prepare", "", "unknown.txt"}) {
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
