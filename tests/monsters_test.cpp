#include <gtest/gtest.h>

#include <string>

#include "convert/rules/monsters.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes monsters_file(std::int32_t count, const Bytes& records) {
  return keyed(2, {field("monster_number", i32(count)), field("monster_data", records)});
}

const Bytes kEmptyMonster = zeros(420);

// Values 1 to 26 in line order; value 18 (a word) is stored after values 19 and 20.
TEST(MonsterList, RecordLayout) {
  MonsterList c;
  const Bytes out = convert(c,
                            "<monster_number>\n1\n</monster_number>\n<monster_data>\n"
                            "1 2 3 4 5 6 7 8 9 10 11 0.5 1.25 14 15 16 17 slime 19 20 "
                            "slime.bmp 22 23 24 25 26\n</monster_data>\n");
  const Bytes record = cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), f32(0.5f), f32(1.25f),
                            ints({14, 15, 16, 17}), ints({19, 20}), fixed("slime", 64),
                            fixed("slime.bmp", 260), ints({22, 23, 24, 25, 26})});
  EXPECT_EQ(record.size(), 420u);
  EXPECT_EQ(out, monsters_file(1, record));
}

TEST(MonsterList, Lines) {
  struct Case {
    const char* name;
    const char* line;
    Bytes record;
  };
  const Case cases[] = {
      {"a real without a point", "0 0 0 0 0 0 0 0 0 0 0 2 -3",
       cat({zeros(44), f32(2.0f), f32(-3.0f), zeros(368)})},
      {"an empty line", "", kEmptyMonster},
  };
  for (const Case& t : cases) {
    MonsterList c;
    const std::string src =
        std::string("<monster_number>\n1\n</monster_number>\n<monster_data>\n") + t.line + "\n";
    EXPECT_EQ(convert(c, src), monsters_file(1, t.record)) << t.name;
  }
}

// No real is left over from an earlier line.
TEST(MonsterList, RealsALineDoesNotReachAreZero) {
  MonsterList c;
  EXPECT_EQ(convert(c,
                    "<monster_number>\n2\n</monster_number>\n<monster_data>\n"
                    "0 0 0 0 0 0 0 0 0 0 0 0.5 1.5\n1 2 3 4 5 6 7 8 9 10 11 4\n"),
            monsters_file(2, cat({zeros(44), f32(0.5f), f32(1.5f), zeros(368),
                                  ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), f32(4.0f), f32(0.0f),
                                  zeros(368)})));
}

}  // namespace
}  // namespace kelv::test
