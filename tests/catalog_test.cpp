// How a base name picks its kind, how authors name kinds, and where the output goes.
#include "convert/catalog.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/paths.h"

namespace kelv {
namespace {

// The cases under tests/cases reach every kind by its exact name, and the prefix kinds by other
// names (scene/names_after_the_prefix); no other spelling of a name selects a kind.
TEST(Catalog, NamesCompareByteForByte) {
  for (const char* other :
       {"PREPARE.TXT",  "Prepare.txt",     "prepare.TXT",       "prepare.txt.bak",
        "prepare.txt ", "my_prepare.txt",  "prepare",           "",
        "unknown.txt",  "image_sel.txt",   "image_effects.txt", "Item_list.txt",
        "scene01.TXT",  "scene01.txt.bak", "Scene01.txt",       "scene_town.csv",
        "scene",        "map_anim.TXT",    "map_ani.txt",       "map_anim",
        "a_scene.txt"}) {
    EXPECT_EQ(kind_of_source(other), nullptr) << other;
  }
}

// Data files are known by the source they are written from; authors name kinds several ways.
TEST(Catalog, DataFilesAndNamesOfKinds) {
  EXPECT_EQ(kind_of_data("item_list.dat"), kind_of_source("item_list.txt"));
  EXPECT_EQ(kind_of_data("scene_town.dat"), kind_of_source("scene_town.txt"));
  for (const char* none : {"item_list.txt", "item_list.DAT", "item_list", "scene.dat.bak"})
    EXPECT_EQ(kind_of_data(none), nullptr) << none;
  const Kind* scene = kind_of_source("scene1.txt");
  for (const char* name : {"scene", "scene*.txt", "scene_town.txt"})
    EXPECT_EQ(kind_named(name), scene) << name;
  EXPECT_EQ(kind_named("item_list"), kind_named("item_list.txt"));
  EXPECT_EQ(kind_named("scene_town"), nullptr);
}

TEST(Paths, BaseNameAndOutput) {
  struct Case {
    const char* path;
    const char* base;
    const char* output;
  } cases[] = {
      {"prepare.txt", "prepare.txt", "prepare.dat"},
      {"game/data/item_list.txt", "item_list.txt", "game/data/item_list.dat"},
      {"/a.b/map_anim.old.txt", "map_anim.old.txt", "/a.b/map_anim.old.dat"},
      {"dir.v2/noext", "noext", "dir.v2/noext.dat"},
      {"scene01.txt.bak", "scene01.txt.bak", "scene01.txt.dat"},
#ifndef _WIN32
      // A backslash is part of a file name here.
      {"c:\\game\\prepare.txt", "c:\\game\\prepare.txt", "c:\\game\\prepare.dat"},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(base_name(c.path), c.base) << c.path;
    EXPECT_EQ(output_path(c.path), c.output) << c.path;
  }
  EXPECT_EQ(source_path("a/item_list.dat"), "a/item_list.txt");
}

}  // namespace
}  // namespace kelv
