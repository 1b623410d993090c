#include "driver/routes.h"

#include <array>

namespace kelv {
namespace {

template <auto Member>
Converter& pick(Converters& c) {
  return c.*Member;
}

// In the order the routes are tried. No exact name begins with a prefix route's name, so where
// the prefix routes stand decides nothing.
constexpr std::array kRoutes = {
    Route{"prepare.txt", Match::Name, pick<&Converters::folders>},
    Route{"start_game.txt", Match::Name, pick<&Converters::start>},
    Route{"midi_list.txt", Match::Name, pick<&Converters::midi>},
    Route{"wave_list.txt", Match::Name, pick<&Converters::waves>},
    Route{"title.txt", Match::Name, pick<&Converters::title>},
    Route{"narration_list.txt", Match::Name, pick<&Converters::narration>},
    Route{"talk_list.txt", Match::Name, pick<&Converters::talk>},
    Route{"item_list.txt", Match::Name, pick<&Converters::items>},
    Route{"shop_list.txt", Match::Name, pick<&Converters::shops>},
    Route{"level_list.txt", Match::Name, pick<&Converters::levels>},
    Route{"level_ability_list.txt", Match::Name, pick<&Converters::level_abilities>},
    Route{"monster_list.txt", Match::Name, pick<&Converters::monsters>},
    Route{"enemy_list.txt", Match::Name, pick<&Converters::enemies>},
    Route{"magic_list.txt", Match::Name, pick<&Converters::magic>},
    Route{"image_back.txt", Match::Name, pick<&Converters::image_back>},
    Route{"image_select.txt", Match::Name, pick<&Converters::image_select>},
    Route{"image_face.txt", Match::Name, pick<&Converters::image_face>},
    Route{"image_effect.txt", Match::Name, pick<&Converters::image_effects>},
    Route{"map_anim", Match::PrefixTxt, pick<&Converters::map_anims>},
    Route{"treasure_list.txt", Match::Name, pick<&Converters::treasures>},
    Route{"pc.txt", Match::Name, pick<&Converters::pc>},
    Route{"npc_list.txt", Match::Name, pick<&Converters::npcs>},
    Route{"scene", Match::PrefixTxt, pick<&Converters::scenes>},
    Route{"setting.txt", Match::Name, pick<&Converters::settings>},
};

}  // namespace

std::span<const Route> route_table() {
  return kRoutes;
}

std::string_view extension(std::string_view base) {
  const std::size_t dot = base.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1);
}

const Route* find_route(std::string_view base) {
  for (const Route& r : kRoutes) {
    const bool match = r.match == Match::Name
                           ? base == r.name
                           : base.starts_with(r.name) && extension(base) == "txt";
    if (match) return &r;
  }
  return nullptr;
}

std::string_view base_name(std::string_view path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of("\\/");
#else
  const std::size_t cut = path.rfind('/');
#endif
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

namespace {

std::string with_extension(std::string_view path, std::string_view extension) {
  const std::string_view base = base_name(path);
  const std::size_t dot = base.rfind('.');
  const std::size_t keep =
      dot == std::string_view::npos ? path.size() : path.size() - base.size() + dot;
  return std::string(path.substr(0, keep)) + "." + std::string(extension);
}

}  // namespace

std::string output_path(std::string_view path) {
  return with_extension(path, "dat");
}

const Route* find_data_route(std::string_view base) {
  if (extension(base) != "dat") return nullptr;
  return find_route(with_extension(base, "txt"));
}

std::string source_path(std::string_view path) {
  return with_extension(path, "txt");
}

}  // namespace kelv
