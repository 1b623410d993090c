#include <gtest/gtest.h>

#include <string>

#include "convert/images/image_lists.h"
#include "support.h"

namespace kelv::test {
namespace {

// A background or selection record: five integers, then the file name.
Bytes image(std::string_view name, std::initializer_list<std::int32_t> values) {
  return cat({ints(values), fixed(name, 260)});
}

const std::string kBackTwo = "<image_back_number>\n2\n</image_back_number>\n";

TEST(ImageLists, Backgrounds) {
  expect_outputs<BackImageList>({
      {"the name after the integers",
       kBackTwo + "<image_back_data>\nsky.bmp 1 2 3 4 -5\nfield.bmp 640 480 0 0 1\n"
                  "</image_back_data>\n",
       table_file(
           "image_back", 2,
           cat({image("sky.bmp", {1, 2, 3, 4, -5}), image("field.bmp", {640, 480, 0, 0, 1})}))},
      // A second data section restarts and overwrites only what it gives.
      {"second data section",
       kBackTwo + "<image_back_data>\na_long_name.bmp 1 2 3 4 5\nb.bmp 6 7 8 9 10\n"
                  "</image_back_data>\n<image_back_data>\nc.bmp 11\n</image_back_data>\n",
       table_file("image_back", 2,
                  cat({image("c.bmp", {11, 2, 3, 4, 5}), image("b.bmp", {6, 7, 8, 9, 10})}))},
      {"empty lines take records, surplus lines are ignored",
       kBackTwo + "<image_back_data>\n\nb.bmp 1 1 1 1 1\nc.bmp 2 2 2 2 2\n</image_back_data>\n",
       table_file("image_back", 2, cat({zeros(280), image("b.bmp", {1, 1, 1, 1, 1})}))},
  });
}

TEST(ImageLists, SelectionSaysImageSel) {
  expect_outputs<SelectImageList>({
      {"selection",
       "<image_sel_number>\n1\n</image_sel_number>\n"
       "<image_sel_data>\ncursor.bmp 7 8 9 10 11\n</image_sel_data>\n",
       table_file("image_sel", 1, image("cursor.bmp", {7, 8, 9, 10, 11}))},
      // The routed name is not a tag.
      {"routed name", "<image_select_number>\n1\n</image_select_number>\n",
       count_file("image_sel", 0)},
  });
}

TEST(ImageLists, FaceRecordsMoveTheLeadingPairBehindTheName) {
  expect_outputs<FaceImageList>({
      {"face",
       "<image_face_number>\n1\n</image_face_number>\n"
       "<image_face_data>\n101 102 hero.bmp 4 5 6 7 8 9 10 11 12\n</image_face_data>\n",
       table_file("image_face", 1,
                  cat({ints({4, 5, 6, 7, 8}), fixed("hero.bmp", 260), ints({101, 102}),
                       ints({9, 10, 11, 12})}))},
  });
}

}  // namespace
}  // namespace kelv::test
