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
  return keyed(2, {field("enemy_number", i32(count)), field("enemy_data", groups)});
}

Bytes only_count(std::int32_t count) {
  return keyed(2, {field("enemy_number", i32(count))});
}

// One group of the given member lines.
std::string group(std::string_view count, std::string_view lines) {
  return "<enemies_number>\n" + std::string(count) + "\n</enemies_number>\n<enemies_data>\n" +
         std::string(lines) + "</enemies_data>\n</enemy_data>\n";
}

TEST(EnemyGroups, MemberInterleaveAndPlusOne) {
  EnemyGroups c;
  const Bytes out =
      convert(c, "<enemy_number>\n1\n</enemy_number>\n" +
                     group("1",
                           "1 2 3 4 5 6 7 8.5 -9.25 10 11 12 13 14 15 16 17 18 19 20 21 22 "
                           "23 24\n"));
  const Bytes record =
      cat({ints({1, 13, 14, 2, 15, 16, 3, 17, 18, 4, 19, 20, 5, 21, 22, 6, 23, 24, 7}), f32(8.5f),
           f32(-9.25f), ints({11, 11, 12})});
  EXPECT_EQ(record.size(), 96u);
  EXPECT_EQ(out, enemies_file(1, cat({i32(1), record})));
}

// Value 10 is stored plus one with the engine's 32-bit wrap; a line that ends before it
// stores 1; reals a line does not reach are 0.0.
TEST(EnemyGroups, TenthValue) {
  EnemyGroups c;
  const Bytes out =
      convert(c, "<enemy_number>\n1\n</enemy_number>\n" + group("3",
                                                                "0 0 0 0 0 0 0 0 0 2147483647\n"
                                                                "0 0 0 0 0 0 0 1.5 2.5 -1\n"
                                                                "5 6\n"));
  EXPECT_EQ(out, enemies_file(1, cat({i32(3),                                             //
                                      zeros(84), i32(INT32_MIN), zeros(8),                //
                                      zeros(76), f32(1.5f), f32(2.5f), i32(0), zeros(8),  //
                                      i32(5), zeros(8), i32(6), zeros(68), i32(1), zeros(8)})));
}

// A second member data section scans the first record again: the numbers it does not reach
// keep their values, the reals become 0.0 and offset 84 goes up once more.
TEST(EnemyGroups, SecondMemberDataSectionStartsAgain) {
  EnemyGroups c;
  const Bytes out = convert(c,
                            "<enemy_number>\n1\n</enemy_number>\n<enemies_number>\n1\n"
                            "</enemies_number>\n<enemies_data>\n1 2 3 4 5 6 7 0.5 0.5 3 9\n"
                            "</enemies_data>\n<enemies_data>\n8\n</enemies_data>\n");
  EXPECT_EQ(
      out,
      enemies_file(1, cat({i32(1), ints({8, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 5, 0, 0, 6, 0, 0, 7}),
                           f32(0.0f), f32(0.0f), ints({5, 9, 0})})));
}

TEST(EnemyGroups, ClosedGroups) {
  struct Case {
    const char* name;
    std::string source;
    Bytes expected;
  };
  const Case cases[] = {
      {"two groups",
       "<enemy_number>\n2\n</enemy_number>\n" + group("2", "1\n2\n") + group("1", "3\n"),
       enemies_file(2, cat({i32(2), member(1), member(2), i32(1), member(3)}))},
      // Without "</enemy_data>" the second group replaces the first, and the later entry has
      // no member array: written as a group of no members.
      {"missing closing tag",
       "<enemy_number>\n2\n</enemy_number>\n<enemies_number>\n2\n</enemies_number>\n"
       "<enemies_data>\n1\n2\n</enemies_data>\n" +
           group("1", "3\n"),
       enemies_file(2, cat({i32(1), member(3), i32(0)}))},
      {"more closings than groups",
       "<enemy_number>\n1\n</enemy_number>\n" + group("1", "1\n") + group("1", "2\n"),
       enemies_file(1, cat({i32(1), member(1)}))},
      // Inside the count section the closing tag is a count line: the table is made again and
      // the group index stays.
      {"closing tag inside the count section",
       "<enemy_number>\n2\n</enemy_data>\n</enemy_number>\n" + group("1", "4\n"),
       enemies_file(2, cat({i32(1), member(4), i32(0)}))},
      {"an opening tag for a group is not recognised",
       "<enemy_number>\n1\n</enemy_number>\n<enemy_data>\n" + group("1", "5\n"),
       enemies_file(1, cat({i32(1), member(5)}))},
      {"a second count section after data lines",
       "<enemy_number>\n2\n</enemy_number>\n" + group("1", "1\n") +
           "<enemy_number>\n2\n</enemy_number>\n" + group("1", "2\n"),
       enemies_file(2, cat({i32(0), i32(1), member(2)}))},
  };
  for (const Case& t : cases) {
    EnemyGroups c;
    EXPECT_EQ(convert(c, t.source), t.expected) << t.name;
  }
}

TEST(EnemyGroups, AbsentTables) {
  struct Case {
    const char* name;
    std::string source;
    Bytes expected;
  };
  const Case cases[] = {
      {"no group count", group("1", "1\n"), only_count(0)},
      {"group count 0", "<enemy_number>\n0\n</enemy_number>\n", enemies_file(0, {})},
      {"negative group count", "<enemy_number>\n-2\n</enemy_number>\n" + group("1", "1\n"),
       only_count(-2)},
      // More groups than the field's data size can count at 4 bytes each.
      {"group count too large", "<enemy_number>\n536870912\n</enemy_number>\n",
       only_count(536870912)},
      // Groups without a member array are written as member count 0 and counted as 4 bytes.
      {"negative member count", "<enemy_number>\n1\n</enemy_number>\n" + group("-1", "1\n"),
       enemies_file(1, i32(0))},
      {"member count too large", "<enemy_number>\n1\n</enemy_number>\n" + group("22369622", "1\n"),
       enemies_file(1, i32(0))},
      {"no member count line", "<enemy_number>\n1\n</enemy_number>\n<enemies_data>\n1\n",
       enemies_file(1, i32(0))},
  };
  for (const Case& t : cases) {
    EnemyGroups c;
    EXPECT_EQ(convert(c, t.source), t.expected) << t.name;
  }
}

// The reader starts from an empty table even when nothing released the last one.
TEST(EnemyGroups, ReaderStartsEmpty) {
  EnemyGroups c;
  convert(c, "<enemy_number>\n1\n</enemy_number>\n");
  EXPECT_EQ(convert(c, ""), only_count(0));
}

}  // namespace
}  // namespace kelv::test
