// What the driver's release after every file hides: the readers that release what the last file
// left as they start give the same data file whether or not anything released it before them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "convert/catalog.h"
#include "convert/world/scene.h"
#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

TEST(Release, ReadersThatReleaseFirstNeedNoReleaseBefore) {
  for (const char* name :
       {"talk_list.txt", "shop_list.txt", "enemy_list.txt", "image_back.txt", "image_select.txt",
        "image_face.txt", "image_effect.txt", "map_anim_cave.txt", "scene_cave.txt", "pc.txt"}) {
    const std::unique_ptr<Converter> made = kind_of_source(name)->make();
    Converter& converter = *made;
    const std::vector<unsigned char> sample =
        read_file(std::string(KELV_EXAMPLES) + "/game/" + name);
    ASSERT_FALSE(sample.empty()) << name;
    ASSERT_FALSE(
        convert(converter, {reinterpret_cast<const char*>(sample.data()), sample.size()}).empty());
    const Bytes unreleased = convert(converter, "");
    converter.release();
    EXPECT_EQ(convert(converter, ""), unreleased) << name;
    // The scene's release gives back its command texts too.
    converter.release();
    if (const auto* scenes = dynamic_cast<Scenes*>(&converter)) {
      EXPECT_TRUE(scenes->command_texts.empty()) << name;
    }
  }
}

}  // namespace
}  // namespace kelv::test
