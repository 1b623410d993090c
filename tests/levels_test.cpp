#include <gtest/gtest.h>

#include "convert/rules/levels.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes levels_file(std::int32_t count, const Bytes& entries, std::int32_t add1, std::int32_t add2,
                  std::int32_t max) {
  return keyed(4, {field("level_number", i32(count)), field("level_data", entries),
                   field("level_add", ints({add1, add2})), field("level_max", i32(max))});
}

TEST(LevelList, ThreeLevelsAddAndMax) {
  LevelList c;
  EXPECT_EQ(convert(c,
                    "<level_number>\n3\n</level_number>\n"
                    "<level_data>\n10 1\n25 2\n45 -3\n</level_data>\n"
                    "<level_add>\n7 -8\n</level_add>\n<level_max>\n99\n</level_max>\n"),
            levels_file(3, ints({10, 1, 25, 2, 45, -3}), 7, -8, 99));
}

// The add pair and the maximum carry over to the next level file of the run; the table does not.
TEST(LevelList, AddAndMaxCarryOverToTheNextFile) {
  LevelList c;
  EXPECT_EQ(convert(c, "<level_max>\n40\n</level_max>\n"),
            keyed(4, {field("level_number", i32(0)), field("level_add", ints({0, 0})),
                      field("level_max", i32(40))}));
  c.release();
  EXPECT_EQ(convert(c, "<level_number>\n1\n</level_number>\n<level_add>\n3 4\n</level_add>\n"),
            levels_file(1, ints({0, 0}), 3, 4, 40));
  c.release();
  // A line giving one number changes only the first of the pair.
  EXPECT_EQ(convert(c, "<level_add>\n5\n</level_add>\n"),
            keyed(4, {field("level_number", i32(0)), field("level_add", ints({5, 4})),
                      field("level_max", i32(40))}));
}

// A second data section goes on after the last level filled; lines beyond the count are lost.
TEST(LevelList, SecondDataSectionGoesOn) {
  LevelList c;
  EXPECT_EQ(convert(c,
                    "<level_number>\n2\n</level_number>\n<level_data>\n1 1\n</level_data>\n"
                    "<level_data>\n2 2\n3 3\n</level_data>\n"),
            levels_file(2, ints({1, 1, 2, 2}), 0, 0, 0));
}

TEST(LevelList, RefusedTableLeavesOutOnlyTheData) {
  LevelList c;
  // 268435456 levels would need 2^31 bytes.
  EXPECT_EQ(convert(c, "<level_number>\n268435456\n</level_number>\n<level_data>\n1 1\n"),
            keyed(4, {field("level_number", i32(268435456)), field("level_add", ints({0, 0})),
                      field("level_max", i32(0))}));
}

}  // namespace
}  // namespace kelv::test
