#include <gtest/gtest.h>

#include "convert/system/folders.h"
#include "convert/system/start.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes prepare_dat(std::string_view data, std::string_view image, std::string_view audio,
                  std::string_view load) {
  return keyed(
      4, {field("folder_name_data", counted(data)), field("folder_name_image", counted(image)),
          field("folder_name_audio", counted(audio)), field("load_image", counted(load))});
}

Bytes start_dat(std::int32_t index) {
  return keyed(1, {field("start_scene_index", i32(index))});
}

TEST(FolderSettings, Sources) {
  expect_outputs<FolderSettings>({
      {"only the image folder", "<folder_name_image>\nimg\n</folder_name_image>\n",
       prepare_dat("", "img", "", "")},
      {"first word of the last line with a word",
       "<folder_name_data>\nmy data\n</folder_name_data>\n"
       "<folder_name_audio>\nsnd\n\n   \nbgm\n</folder_name_audio>\n",
       prepare_dat("my", "", "bgm", "")},
      // "画像" in Shift-JIS.
      {"Shift-JIS names pass through", "<load_image>\n\x89\xe6\x91\x9c.bmp\n</load_image>",
       prepare_dat("", "", "", "\x89\xe6\x91\x9c.bmp")},
  });
}

TEST(FolderSettings, ALaterFileKeepsWhatItDoesNotGive) {
  FolderSettings c;
  convert_once(
      c, "<folder_name_data>\ndata\n</folder_name_data>\n<load_image>\nnow.bmp\n</load_image>\n");
  EXPECT_EQ(convert_once(c, "<load_image>\nnext.bmp\n</load_image>\n"),
            prepare_dat("data", "", "", "next.bmp"));
}

TEST(StartSettings, Sources) {
  expect_outputs<StartSettings>({
      {"negative", "<start_scene_index>\n-3\n</start_scene_index>\n", start_dat(-3)},
      {"last line that scans", "<start_scene_index>\n4\nfive\n</start_scene_index>\n",
       start_dat(4)},
      {"empty", "", start_dat(0)},
  });
}

TEST(StartSettings, AFileWithoutTheSectionWritesTheEarlierValue) {
  StartSettings s;
  convert_once(s, "<start_scene_index>\n12\n</start_scene_index>\n");
  EXPECT_EQ(convert_once(s, "nothing\n"), start_dat(12));
}

}  // namespace
}  // namespace kelv::test
