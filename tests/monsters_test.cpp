#include <gtest/gtest.h>

#include <string>

#include "convert/rules/monsters.h"
#include "support.h"

namespace kelv::test {
namespace {

const std::string kOne = "<monster_number>\n1\n</monster_number>\n<monster_data>\n";

TEST(MonsterList, Sources) {
  expect_outputs<MonsterList>({
      // Values 1 to 26 in line order; value 18 (a word) is stored after values 19 and 20.
      {"record layout",
       kOne + "1 2 3 4 5 6 7 8 9 10 11 0.5 1.25 14 15 16 17 slime 19 20 slime.bmp 22 23 24 25 "
              "26\n</monster_data>\n",
       table_file("monster", 1,
                  cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), f32(0.5f), f32(1.25f),
                       ints({14, 15, 16, 17}), ints({19, 20}), fixed("slime", 64),
                       fixed("slime.bmp", 260), ints({22, 23, 24, 25, 26})}))},
      {"a real without a point", kOne + "0 0 0 0 0 0 0 0 0 0 0 2 -3\n",
       table_file("monster", 1, cat({zeros(44), f32(2.0f), f32(-3.0f), zeros(368)}))},
      {"an empty line", kOne + "\n", table_file("monster", 1, zeros(420))},
      // No real is left over from an earlier line.
      {"reals a line does not reach are zero",
       "<monster_number>\n2\n</monster_number>\n<monster_data>\n"
       "0 0 0 0 0 0 0 0 0 0 0 0.5 1.5\n1 2 3 4 5 6 7 8 9 10 11 4\n",
       table_file(
           "monster", 2,
           cat({zeros(44), f32(0.5f), f32(1.5f), zeros(368),
                ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), f32(4.0f), f32(0.0f), zeros(368)}))},
  });
}

}  // namespace
}  // namespace kelv::test
