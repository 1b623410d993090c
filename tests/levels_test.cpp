#include <gtest/gtest.h>

#include "convert/rules/levels.h"
#include "support.h"

namespace kelv::test {
namespace {

// The count, the entries (left out when `entries` is null), the add pair and the maximum.
Bytes levels_file(std::int32_t count, const Bytes* entries, Bytes add, std::int32_t max) {
  Bytes out = keyed(4, {field("level_number", i32(count))});
  if (entries != nullptr) out = cat({out, field("level_data", *entries)});
  return cat({out, field("level_add", add), field("level_max", i32(max))});
}

TEST(LevelList, Sources) {
  const Bytes three = ints({10, 1, 25, 2, 45, -3});
  const Bytes two = ints({1, 1, 2, 2});
  expect_outputs<LevelList>({
      {"three levels, add and max",
       "<level_number>\n3\n</level_number>\n<level_data>\n10 1\n25 2\n45 -3\n</level_data>\n"
       "<level_add>\n7 -8\n</level_add>\n<level_max>\n99\n</level_max>\n",
       levels_file(3, &three, ints({7, -8}), 99)},
      // A second data section goes on after the last level filled; lines beyond the count are
      // lost.
      {"second data section goes on",
       "<level_number>\n2\n</level_number>\n<level_data>\n1 1\n</level_data>\n"
       "<level_data>\n2 2\n3 3\n</level_data>\n",
       levels_file(2, &two, ints({0, 0}), 0)},
      // 268435456 levels would need 2^31 bytes.
      {"refused table leaves out only the data",
       "<level_number>\n268435456\n</level_number>\n<level_data>\n1 1\n",
       levels_file(268435456, nullptr, ints({0, 0}), 0)},
  });
}

// The add pair and the maximum carry over to the next level file of the run; the table does not.
TEST(LevelList, AddAndMaxCarryOverToTheNextFile) {
  LevelList c;
  EXPECT_EQ(convert_once(c, "<level_max>\n40\n</level_max>\n"),
            levels_file(0, nullptr, ints({0, 0}), 40));
  const Bytes one = ints({0, 0});
  EXPECT_EQ(convert_once(c, "<level_number>\n1\n</level_number>\n<level_add>\n3 4\n</level_add>\n"),
            levels_file(1, &one, ints({3, 4}), 40));
  // A line giving one number changes only the first of the pair.
  EXPECT_EQ(convert(c, "<level_add>\n5\n</level_add>\n"),
            levels_file(0, nullptr, ints({5, 4}), 40));
}

}  // namespace
}  // namespace kelv::test
