// The route table: the one place where source file names meet their converters.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "convert/images/image_effects.h"
#include "convert/images/image_lists.h"
#include "convert/images/map_anims.h"
#include "convert/rules/enemies.h"
#include "convert/rules/item_magic_lists.h"
#include "convert/rules/level_abilities.h"
#include "convert/rules/levels.h"
#include "convert/rules/monsters.h"
#include "convert/rules/shops.h"
#include "convert/story/narration.h"
#include "convert/story/talk.h"
#include "convert/system/folders.h"
#include "convert/system/settings.h"
#include "convert/system/sound_list.h"
#include "convert/system/start.h"
#include "convert/system/title.h"
#include "convert/world/npc_list.h"
#include "convert/world/pc.h"
#include "convert/world/scene.h"
#include "convert/world/treasure_list.h"

namespace kelv {

// One object per converter, kept for the whole run: values that carry over from one file to the
// next of the same kind live here, in plain sight.
struct Converters {
  FolderSettings folders;
  StartSettings start;
  MidiList midi;
  WaveList waves;
  TitleMenu title;
  NarrationList narration;
  TalkList talk;
  ItemList items;
  ShopList shops;
  LevelList levels;
  LevelAbilityList level_abilities;
  MonsterList monsters;
  EnemyGroups enemies;
  MagicList magic;
  BackImageList image_back;
  SelectImageList image_select;
  FaceImageList image_face;
  ImageEffects image_effects;
  MapAnimations map_anims;
  TreasureList treasures;
  PlayerCharacter pc;
  NpcList npcs;
  Scenes scenes;
  GameSettings settings;
};

enum class Match {
  Name,       // the base name equals the route's name
  PrefixTxt,  // the base name begins with the route's name and its extension is "txt"
};

struct Route {
  std::string_view name;
  Match match;
  Converter& (*pick)(Converters&);
};

std::span<const Route> route_table();

// The first route for `base_name`, or nullptr. Names compare byte for byte, case and all.
const Route* find_route(std::string_view base_name);

// The part of `path` after its last folder separator ('/' here; '\\' and '/' on Windows).
std::string_view base_name(std::string_view path);
// What follows the last '.' of a base name; empty when it has none.
std::string_view extension(std::string_view base_name);
// The output beside the source: the path with its extension replaced by "dat".
std::string output_path(std::string_view path);

// The route of a data file: the route of the source it is written from ("item_list.dat" is an
// item list, "scene_town.dat" a scene), or nullptr.
const Route* find_data_route(std::string_view base_name);
// The source beside a data file: the path with its extension replaced by "txt".
std::string source_path(std::string_view path);

}  // namespace kelv
