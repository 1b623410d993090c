#include <gtest/gtest.h>

#include <string_view>

#include "convert/story/narration.h"
#include "support.h"

namespace kelv::test {
namespace {

// One record as written: values 1 to 12 counting up from `first`, the text, value 13.
Bytes record(std::int32_t first, std::string_view word, std::int32_t last) {
  Bytes values;
  for (std::int32_t v = first; v < first + 12; ++v)
    values = cat({values, i32(v)});
  return cat({values, counted(word), i32(last)});
}

const Bytes kEmpty = cat({zeros(48), counted(""), i32(0)});

TEST(NarrationList, Sources) {
  expect_outputs<NarrationList>({
      {"written in line order, missing records zero",
       "<narration_number>\n2\n</narration_number>\n"
       "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 hello 13\n</narration_data>\n",
       table_file("narration", 2, cat({record(1, "hello", 13), kEmpty}))},
      {"empty and unscanned lines use up a record",
       "<narration_number>\n3\n</narration_number>\n<narration_data>\n\n1 2 3 x\n"
       "101 102 103 104 105 106 107 108 109 110 111 112 end 113\n</narration_data>\n",
       table_file("narration", 3,
                  cat({kEmpty, ints({1, 2, 3}), zeros(36), counted(""), i32(0),
                       record(101, "end", 113)}))},
      // The second count line holds no number: it makes a new table of the same count all the
      // same, and the running index goes on.
      {"a count line replaces the table but not the index",
       "<narration_number>\n3\n</narration_number>\n"
       "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 lost 13\n</narration_data>\n"
       "<narration_number>\nagain\n</narration_number>\n"
       "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 kept 13\n</narration_data>\n",
       table_file("narration", 3, cat({kEmpty, record(1, "kept", 13), kEmpty}))},
      {"count 0", "<narration_number>\n0\n</narration_number>\n", table_file("narration", 0, {})},
      {"negative count", "<narration_number>\n-1\n</narration_number>\n",
       count_file("narration", -1)},
  });
}

// The count stays until the conversion is released: a later file without a count section
// writes the count 0 and no table.
TEST(NarrationList, CountEndsWithTheConversion) {
  NarrationList c;
  convert_once(c, "<narration_number>\n2\n</narration_number>\n");
  EXPECT_EQ(
      convert_once(c, "<narration_data>\n1 2 3 4 5 6 7 8 9 10 11 12 x 13\n</narration_data>\n"),
      count_file("narration", 0));
}

}  // namespace
}  // namespace kelv::test
