#include <gtest/gtest.h>

#include "convert/system/folders.h"
#include "convert/system/start.h"
#include "support.h"

namespace kelv::test {
namespace {

TEST(FolderSettings, OnlyTheImageFolderInAFreshRun) {
  FolderSettings c;
  const Bytes out = convert(c, "<folder_name_image>\nimg\n</folder_name_image>\n");
  EXPECT_EQ(out, keyed(4, {field("folder_name_data", counted("")),
                           field("folder_name_image", counted("img")),
                           field("folder_name_audio", counted("")),
                           field("load_image", counted(""))}));
  EXPECT_EQ(out.size(), 123u);
}

TEST(StartSettings, NegativeIndex) {
  StartSettings c;
  EXPECT_EQ(convert(c, "<start_scene_index>\n-3\n</start_scene_index>\n"),
            keyed(1, {field("start_scene_index", i32(-3))}));
}

}  // namespace
}  // namespace kelv::test
