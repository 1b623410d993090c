#include "convert/catalog.h"

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
#include "format/spelling.h"

namespace kelv {
namespace {

template <class C>
constexpr Kind kind(std::string_view source, Match match = Match::Name) {
  return {source, match, [] { return std::unique_ptr<Converter>(new C()); }, &C::shared_vocabulary};
}

// In the order names are tried. No exact name begins with a prefix's name, so where the prefix
// kinds stand decides nothing.
constexpr Kind kKinds[] = {
    kind<FolderSettings>("prepare.txt"),
    kind<StartSettings>("start_game.txt"),
    kind<MidiList>("midi_list.txt"),
    kind<WaveList>("wave_list.txt"),
    kind<TitleMenu>("title.txt"),
    kind<NarrationList>("narration_list.txt"),
    kind<TalkList>("talk_list.txt"),
    kind<ItemList>("item_list.txt"),
    kind<ShopList>("shop_list.txt"),
    kind<LevelList>("level_list.txt"),
    kind<LevelAbilityList>("level_ability_list.txt"),
    kind<MonsterList>("monster_list.txt"),
    kind<EnemyGroups>("enemy_list.txt"),
    kind<MagicList>("magic_list.txt"),
    kind<BackImageList>("image_back.txt"),
    kind<SelectImageList>("image_select.txt"),
    kind<FaceImageList>("image_face.txt"),
    kind<ImageEffects>("image_effect.txt"),
    kind<MapAnimations>("map_anim", Match::PrefixTxt),
    kind<TreasureList>("treasure_list.txt"),
    kind<PlayerCharacter>("pc.txt"),
    kind<NpcList>("npc_list.txt"),
    kind<Scenes>("scene", Match::PrefixTxt),
    kind<GameSettings>("setting.txt"),
};

// No kind hides another: no source name begins with a prefix, no two kinds share a name.
constexpr bool each_kind_reachable() {
  for (const Kind& a : kKinds) {
    for (const Kind& b : kKinds) {
      if (&a == &b) continue;
      if (a.source == b.source) return false;
      if (a.match == Match::PrefixTxt && b.source.starts_with(a.source)) return false;
    }
  }
  return true;
}
static_assert(each_kind_reachable());

// What follows the last '.' of a base name; empty when it has none.
std::string_view extension(std::string_view base) {
  const std::size_t dot = base.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1);
}

bool selects(const Kind& k, std::string_view base) {
  return k.match == Match::Name ? base == k.source
                                : base.starts_with(k.source) && extension(base) == "txt";
}

}  // namespace

std::string_view Kind::name() const {
  return source.ends_with(".txt") ? source.substr(0, source.size() - 4) : source;
}

std::string Kind::pattern() const {
  return match == Match::Name ? std::string(source) : std::string(source) + "*.txt";
}

bool Kind::carries_values() const {
  for (const std::vector<SectionShape>& group : vocabulary().groups) {
    for (const SectionShape& s : group) {
      if (s.carries_over) return true;
    }
  }
  return false;
}

std::span<const Kind> catalog() {
  return kKinds;
}

const Kind* kind_of_source(std::string_view base) {
  for (const Kind& k : kKinds) {
    if (selects(k, base)) return &k;
  }
  return nullptr;
}

const Kind* kind_of_data(std::string_view base) {
  if (extension(base) != "dat") return nullptr;
  base.remove_suffix(3);
  return kind_of_source(std::string(base) + "txt");
}

const Kind* kind_named(std::string_view name) {
  for (const Kind& k : kKinds) {
    if (name == k.source || name == k.name() || name == k.pattern()) return &k;
  }
  return kind_of_source(name);
}

std::string source_name_meant(std::string_view base) {
  if (kind_of_data(base) != nullptr) return {};
  const std::string low = lowered(base);
  for (const Kind& k : kKinds) {
    if (k.match == Match::PrefixTxt) {
      // "Scene01.txt", "scene01.TXT": the prefix and the extension as they are written.
      const std::size_t dot = low.rfind('.');
      if (low.starts_with(k.source) && dot != std::string::npos && low.substr(dot) == ".txt") {
        return std::string(k.source) +
               std::string(base.substr(k.source.size(), dot - k.source.size())) + ".txt";
      }
    } else if (edit_distance(low, k.source) <= (k.source.size() >= 10 ? 2 : 1)) {
      return std::string(k.source);
    }
  }
  return {};
}

Converter& Converters::of(const Kind& kind) {
  std::unique_ptr<Converter>& made = made_.at(static_cast<std::size_t>(&kind - kKinds));
  if (made == nullptr) made = kind.make();
  return *made;
}

void Converters::release() {
  for (const std::unique_ptr<Converter>& c : made_) {
    if (c != nullptr) c->release();
  }
}

}  // namespace kelv
