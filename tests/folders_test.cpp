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

TEST(FolderSettings, OnlyTheImageFolderInAFreshRun) {
  FolderSettings c;
  const Bytes out = convert(c, "<folder_name_image>\nimg\n</folder_name_image>\n");
  EXPECT_EQ(out, prepare_dat("", "img", "", ""));
  EXPECT_EQ(out.size(), 123u);
}

TEST(FolderSettings, FirstWordOfTheLastLineWithAWord) {
  FolderSettings c;
  EXPECT_EQ(convert(c,
                    "<folder_name_data>\nmy data\n</folder_name_data>\n"
                    "<folder_name_audio>\nsnd\n\n   \nbgm\n</folder_name_audio>\n"),
            prepare_dat("my", "", "bgm", ""));
}

TEST(FolderSettings, ShiftJisNamesPassThrough) {
  FolderSettings c;
  // "画像" in Shift-JIS.
  EXPECT_EQ(convert(c, "<load_image>\n\x89\xe6\x91\x9c.bmp\n</load_image>"),
            prepare_dat("", "", "", "\x89\xe6\x91\x9c.bmp"));
}

TEST(FolderSettings, ALaterFileKeepsWhatItDoesNotGive) {
  FolderSettings c;
  convert_once(
      c, "<folder_name_data>\ndata\n</folder_name_data>\n<load_image>\nnow.bmp\n</load_image>\n");
  EXPECT_EQ(convert_once(c, "<load_image>\nnext.bmp\n</load_image>\n"),
            prepare_dat("data", "", "", "next.bmp"));
}

TEST(StartSettings, Values) {
  struct Case {
    const char* source;
    std::int32_t value;
  } cases[] = {
      {"<start_scene_index>\n-3\n</start_scene_index>\n", -3},
      {"<start_scene_index>\n4\nfive\n</start_scene_index>\n", 4},
      {"", 0},
  };
  for (const Case& c : cases) {
    StartSettings s;
    const Bytes out = convert(s, c.source);
    EXPECT_EQ(out, keyed(1, {field("start_scene_index", i32(c.value))})) << c.source;
    EXPECT_EQ(out.size(), 34u);
  }
}

TEST(StartSettings, AFileWithoutTheSectionWritesTheEarlierValue) {
  StartSettings s;
  convert_once(s, "<start_scene_index>\n12\n</start_scene_index>\n");
  EXPECT_EQ(convert_once(s, "nothing\n"), keyed(1, {field("start_scene_index", i32(12))}));
}

}  // namespace
}  // namespace kelv::test
