#include <gtest/gtest.h>

#include "driver/routes.h"

namespace kelv::test {
namespace {

// Which converter object, if any, a base name reaches.
const Converter* routed(Converters& c, std::string_view base) {
  const Route* r = find_route(base);
  return r == nullptr ? nullptr : &r->pick(c);
}

TEST(ImageRoutes, NamesAndTheMapAnimationPrefix) {
  Converters c;
  EXPECT_EQ(routed(c, "image_back.txt"), &c.image_back);
  EXPECT_EQ(routed(c, "image_select.txt"), &c.image_select);
  EXPECT_EQ(routed(c, "image_face.txt"), &c.image_face);
  EXPECT_EQ(routed(c, "image_effect.txt"), &c.image_effects);
  for (const char* name : {"map_anim.txt", "map_anim2.txt", "map_anim_town.txt"}) {
    EXPECT_EQ(routed(c, name), &c.map_anims) << name;
  }
  for (const char* name : {"image_sel.txt", "Image_back.txt", "map_anim.TXT", "map_anim.txt.bak",
                           "map_ani.txt", "image_effects.txt"}) {
    EXPECT_EQ(routed(c, name), nullptr) << name;
  }
}

}  // namespace
}  // namespace kelv::test
