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

TEST(ImageLists, BackgroundRecordsHoldTheNameAfterTheIntegers) {
  BackImageList c;
  const Bytes out = convert_once(c,
                                 "<image_back_number>\n2\n</image_back_number>\n"
                                 "<image_back_data>\n"
                                 "sky.bmp 1 2 3 4 -5\n"
                                 "field.bmp 640 480 0 0 1\n"
                                 "</image_back_data>\n");
  EXPECT_EQ(out,
            keyed(2, {field("image_back_number", i32(2)),
                      field("image_back_data", cat({image("sky.bmp", {1, 2, 3, 4, -5}),
                                                    image("field.bmp", {640, 480, 0, 0, 1})}))}));
  EXPECT_EQ(out.size(), 4 + 30 + 24 + 2 * 280u);
}

TEST(ImageLists, SelectionSaysImageSel) {
  SelectImageList c;
  EXPECT_EQ(convert_once(c,
                         "<image_sel_number>\n1\n</image_sel_number>\n"
                         "<image_sel_data>\ncursor.bmp 7 8 9 10 11\n</image_sel_data>\n"),
            keyed(2, {field("image_sel_number", i32(1)),
                      field("image_sel_data", image("cursor.bmp", {7, 8, 9, 10, 11}))}));
  // The routed name is not a tag.
  EXPECT_EQ(convert_once(c, "<image_select_number>\n1\n</image_select_number>\n"),
            keyed(2, {field("image_sel_number", i32(0))}));
}

TEST(ImageLists, FaceRecordsMoveTheLeadingPairBehindTheName) {
  FaceImageList c;
  EXPECT_EQ(convert_once(c,
                         "<image_face_number>\n1\n</image_face_number>\n"
                         "<image_face_data>\n"
                         "101 102 hero.bmp 4 5 6 7 8 9 10 11 12\n"
                         "</image_face_data>\n"),
            keyed(2, {field("image_face_number", i32(1)),
                      field("image_face_data", cat({ints({4, 5, 6, 7, 8}), fixed("hero.bmp", 260),
                                                    ints({101, 102}), ints({9, 10, 11, 12})}))}));
}

TEST(ImageLists, SecondDataSectionRestartsAndOverwritesOnlyWhatItGives) {
  BackImageList c;
  EXPECT_EQ(convert_once(c,
                         "<image_back_number>\n2\n</image_back_number>\n"
                         "<image_back_data>\n"
                         "a_long_name.bmp 1 2 3 4 5\n"
                         "b.bmp 6 7 8 9 10\n"
                         "</image_back_data>\n"
                         "<image_back_data>\n"
                         "c.bmp 11\n"
                         "</image_back_data>\n"),
            keyed(2, {field("image_back_number", i32(2)),
                      field("image_back_data", cat({image("c.bmp", {11, 2, 3, 4, 5}),
                                                    image("b.bmp", {6, 7, 8, 9, 10})}))}));
}

TEST(ImageLists, EmptyLinesTakeRecordsAndSurplusLinesAreIgnored) {
  BackImageList c;
  EXPECT_EQ(
      convert_once(c,
                   "<image_back_number>\n2\n</image_back_number>\n"
                   "<image_back_data>\n\nb.bmp 1 1 1 1 1\nc.bmp 2 2 2 2 2\n"
                   "</image_back_data>\n"),
      keyed(2, {field("image_back_number", i32(2)),
                field("image_back_data", cat({zeros(280), image("b.bmp", {1, 1, 1, 1, 1})}))}));
}

TEST(ImageLists, CountsWithoutATable) {
  struct Case {
    std::string count;
    std::int32_t written;
  };
  for (const Case& k : {Case{"-1", -1}, Case{"2147483647", 2147483647}, Case{"7669622", 7669622}}) {
    BackImageList c;
    RecordingReport report;
    const std::string source = "<image_back_number>\n" + k.count +
                               "\n</image_back_number>\n<image_back_data>\na.bmp 1 2 3 4 5\n";
    MemorySource in(source);
    ASSERT_TRUE(c.read(in, report));
    EXPECT_TRUE(report.has(Note::TableRefused)) << k.count;
    EXPECT_TRUE(report.has(Note::LineUnused)) << k.count;
    EXPECT_EQ(c.write().bytes(), keyed(2, {field("image_back_number", i32(k.written))}));
  }
  BackImageList c;
  EXPECT_EQ(convert_once(c, "<image_back_number>\n0\n</image_back_number>\n"),
            keyed(2, {field("image_back_number", i32(0)), field("image_back_data", {})}));
}

}  // namespace
}  // namespace kelv::test
