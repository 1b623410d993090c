#include <gtest/gtest.h>

#include <string_view>

#include "driver/routes.h"

namespace kelv {
namespace {

TEST(RulesRoutes, EachNamePicksItsConverter) {
  Converters all;
  const std::pair<std::string_view, const Converter*> cases[] = {
      {"item_list.txt", &all.items},       {"shop_list.txt", &all.shops},
      {"level_list.txt", &all.levels},     {"level_ability_list.txt", &all.level_abilities},
      {"monster_list.txt", &all.monsters}, {"enemy_list.txt", &all.enemies},
      {"magic_list.txt", &all.magic},
  };
  for (const auto& [name, converter] : cases) {
    const Route* route = find_route(name);
    ASSERT_NE(route, nullptr) << name;
    EXPECT_EQ(&route->pick(all), converter) << name;
  }
  EXPECT_EQ(find_route("Item_list.txt"), nullptr);
  EXPECT_EQ(find_route("item_list.txt.bak"), nullptr);
}

}  // namespace
}  // namespace kelv
