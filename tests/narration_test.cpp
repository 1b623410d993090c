#include <gtest/gtest.h>

#include <string_view>

#include "convert/story/narration.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes narration_file(std::int32_t count, const Bytes& data) {
  return keyed(2, {field("narration_number", i32(count)), field("narration_data", data)});
}

// One record as written: values 1 to 12, the text, value 13.
Bytes record(std::int32_t first, std::string_view word, std::int32_t last) {
  Bytes values;
  for (std::int32_t v = first; v < first + 12; ++v)
    values = cat({values, i32(v)});
  return cat({values, counted(word), i32(last)});
}

const Bytes kEmpty = cat({zeros(48), counted(""), i32(0)});

TEST(NarrationList, WrittenInLineOrderWithMissingRecordsZero) {
  NarrationList c;
  const Bytes out = convert(c,
                            "<narration_number>\n2\n</narration_number>\n"
                            "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 hello 13\n"
                            "</narration_data>\n");
  EXPECT_EQ(out, narration_file(2, cat({record(1, "hello", 13), kEmpty})));
  // Field count, "narration_number" (29 bytes), the "narration_data" header (23) and D = 119.
  EXPECT_EQ(out.size(), 4u + 29 + 23 + 119);
}

TEST(NarrationList, EmptyAndUnscannedLinesUseUpARecord) {
  NarrationList c;
  EXPECT_EQ(convert(c,
                    "<narration_number>\n3\n</narration_number>\n"
                    "<narration_data>\n\n1 2 3 x\n101 102 103 104 105 106 107 108 109 110 111 "
                    "112 end 113\n</narration_data>\n"),
            narration_file(3, cat({kEmpty, cat({ints({1, 2, 3}), zeros(36), counted(""), i32(0)}),
                                   record(101, "end", 113)})));
}

TEST(NarrationList, EmptyAndAbsentTables) {
  NarrationList c;
  EXPECT_EQ(convert_once(c, "<narration_number>\n0\n</narration_number>\n"), narration_file(0, {}));
  EXPECT_EQ(convert_once(c, "<narration_number>\n-1\n</narration_number>\n"),
            keyed(2, {field("narration_number", i32(-1))}));
  // After the release, a file without a count section writes the count 0 and no table.
  convert_once(c, "<narration_number>\n2\n</narration_number>\n");
  EXPECT_EQ(
      convert_once(c, "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 x 13\n</narration_data>\n"),
      keyed(2, {field("narration_number", i32(0))}));
}

TEST(NarrationList, ACountLineReplacesTheTableButNotTheIndex) {
  NarrationList c;
  // The second count line holds no number: it makes a new table of the same count all the same.
  EXPECT_EQ(convert(c,
                    "<narration_number>\n3\n</narration_number>\n"
                    "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 lost 13\n</narration_data>\n"
                    "<narration_number>\nagain\n</narration_number>\n"
                    "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 kept 13\n</narration_data>\n"),
            narration_file(3, cat({kEmpty, record(1, "kept", 13), kEmpty})));
}

}  // namespace
}  // namespace kelv::test
