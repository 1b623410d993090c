#include <gtest/gtest.h>

#include <string>

#include "convert/rules/enemies.h"
#include "support.h"

namespace kelv::test {
namespace {

// A member whose line gives only its first value: the rest zero, 1 at offset 84.
Bytes member(std::int32_t first) {
  return cat({i32(first), zeros(80), i32(1), zeros(8)});
}

Bytes enemies_file(std::int32_t count, const Bytes& groups) {
  return table_file("enemy", count, groups);
}

// One group of the given member lines.
std::string group(std::string_view count, std::string_view lines) {
  return "<enemies_number>\n" + std::string(count) + "\n</enemies_number>\n<enemies_data>\n" +
         std::string(lines) + "</enemies_data>\n</enemy_data>\n";
}

const std::string kOne = "<enemy_number>\n1\n</enemy_number>\n";
const std::string kTwo = "<enemy_number>\n2\n</enemy_number>\n";

TEST(EnemyGroups, Sources) {
  expect_outputs<EnemyGroups>({
      // The seven interleaved triples; value 10 is stored plus one.
      {"member interleave and plus one",
       kOne + group("1", "1 2 3 4 5 6 7 8.5 -9.25 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24\n"),
       enemies_file(
           1,
           cat({i32(1), ints({1, 13, 14, 2, 15, 16, 3, 17, 18, 4, 19, 20, 5, 21, 22, 6, 23, 24, 7}),
                f32(8.5f), f32(-9.25f), ints({11, 11, 12})}))},
      // Value 10 wraps as 32-bit arithmetic does; a line that ends before it stores 1; reals a
      // line does not reach are 0.0.
      {"tenth value",
       kOne + group("3", "0 0 0 0 0 0 0 0 0 2147483647\n0 0 0 0 0 0 0 1.5 2.5 -1\n5 6\n"),
       enemies_file(
           1, cat({i32(3), zeros(84), i32(INT32_MIN), zeros(8), zeros(76), f32(1.5f), f32(2.5f),
                   i32(0), zeros(8), i32(5), zeros(8), i32(6), zeros(68), i32(1), zeros(8)}))},
      // A second member data section scans the first record again: the numbers it does not
      // reach keep their values, the reals become 0.0 and offset 84 goes up once more.
      {"second member data section",
       kOne + "<enemies_number>\n1\n</enemies_number>\n<enemies_data>\n1 2 3 4 5 6 7 0.5 0.5 3 9\n"
              "</enemies_data>\n<enemies_data>\n8\n</enemies_data>\n",
       enemies_file(1, cat({i32(1), ints({8, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 5, 0, 0, 6, 0, 0, 7}),
                            f32(0.0f), f32(0.0f), ints({5, 9, 0})}))},
      {"two groups", kTwo + group("2", "1\n2\n") + group("1", "3\n"),
       enemies_file(2, cat({i32(2), member(1), member(2), i32(1), member(3)}))},
      // Without "</enemy_data>" the second group replaces the first, and the later entry has
      // no member array: written as a group of no members.
      {"missing closing tag",
       kTwo + "<enemies_number>\n2\n</enemies_number>\n<enemies_data>\n1\n2\n</enemies_data>\n" +
           group("1", "3\n"),
       enemies_file(2, cat({i32(1), member(3), i32(0)}))},
      {"more closings than groups", kOne + group("1", "1\n") + group("1", "2\n"),
       enemies_file(1, cat({i32(1), member(1)}))},
      // Inside the count section the closing tag is a count line: the table is made again and
      // the group index stays.
      {"closing tag inside the count section",
       "<enemy_number>\n2\n</enemy_data>\n</enemy_number>\n" + group("1", "4\n"),
       enemies_file(2, cat({i32(1), member(4), i32(0)}))},
      {"an opening tag for a group is not recognised", kOne + "<enemy_data>\n" + group("1", "5\n"),
       enemies_file(1, cat({i32(1), member(5)}))},
      {"a second count section after data lines",
       kTwo + group("1", "1\n") + kTwo + group("1", "2\n"),
       enemies_file(2, cat({i32(0), i32(1), member(2)}))},
      {"no group count", group("1", "1\n"), count_file("enemy", 0)},
      {"group count 0", "<enemy_number>\n0\n</enemy_number>\n", enemies_file(0, {})},
      {"negative group count", "<enemy_number>\n-2\n</enemy_number>\n" + group("1", "1\n"),
       count_file("enemy", -2)},
      // More groups than the field's data size can count at 4 bytes each.
      {"group count too large", "<enemy_number>\n536870912\n</enemy_number>\n",
       count_file("enemy", 536870912)},
      // Groups without a member array are written as member count 0 and counted as 4 bytes.
      {"negative member count", kOne + group("-1", "1\n"), enemies_file(1, i32(0))},
      {"member count too large", kOne + group("22369622", "1\n"), enemies_file(1, i32(0))},
      {"no member count line", kOne + "<enemies_data>\n1\n", enemies_file(1, i32(0))},
  });
}

// The reader starts from an empty table even when nothing released the last one.
TEST(EnemyGroups, ReaderStartsEmpty) {
  EnemyGroups c;
  convert(c, kOne);
  EXPECT_EQ(convert(c, ""), count_file("enemy", 0));
}

}  // namespace
}  // namespace kelv::test
