#include <gtest/gtest.h>

#include <string>

#include "convert/rules/level_abilities.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes ability(std::string_view word, std::initializer_list<std::int32_t> values) {
  Bytes numbers = ints(values);
  numbers.resize(32, 0);
  return cat({fixed(word, 64), numbers});
}

Bytes abilities_file(std::int32_t count, const Bytes& records, std::string_view message) {
  return keyed(3, {field("level_ability_number", i32(count)), field("level_ability_data", records),
                   field("level_ability_message", counted(message))});
}

// Each data section fills the table again from its first record. A shorter word leaves the rest
// of its field zero; numbers a line does not reach keep what the first pass put there.
TEST(LevelAbilityList, RecordsAndASecondDataSection) {
  LevelAbilityList c;
  EXPECT_EQ(
      convert(c,
              "<level_ability_number>\n2\n</level_ability_number>\n"
              "<level_ability_data>\n\x96\xbc\x91\x4f 1 2 3 4 5 6 7 -8\nspeed 4\n"
              "</level_ability_data>\n"),
      abilities_file(
          2, cat({ability("\x96\xbc\x91\x4f", {1, 2, 3, 4, 5, 6, 7, -8}), ability("speed", {4})}),
          ""));
  EXPECT_EQ(convert(c,
                    "<level_ability_number>\n2\n</level_ability_number>\n"
                    "<level_ability_data>\nstrength 1 2 3\nspeed 4\n</level_ability_data>\n"
                    "<level_ability_data>\nhp 9\n</level_ability_data>\n"),
            abilities_file(2, cat({ability("hp", {9, 2, 3}), ability("speed", {4})}), ""));
}

// The message is the whole last line of its section and carries over to the next file of the
// run that has no message section; the table does not.
TEST(LevelAbilityList, MessageIsAWholeLineAndCarriesOver) {
  LevelAbilityList c;
  EXPECT_EQ(convert_once(c,
                         "<level_ability_message>\nfirst\nLevel up!  Well done\n"
                         "</level_ability_message>\n"),
            keyed(3, {field("level_ability_number", i32(0)),
                      field("level_ability_message", counted("Level up!  Well done"))}));
  EXPECT_EQ(convert_once(c, "<level_ability_number>\n0\n</level_ability_number>\n"),
            abilities_file(0, {}, "Level up!  Well done"));
  // An empty last line empties it.
  EXPECT_EQ(convert(c, "<level_ability_message>\nsome\n\n</level_ability_message>\n"),
            keyed(3, {field("level_ability_number", i32(0)),
                      field("level_ability_message", counted(""))}));
}

}  // namespace
}  // namespace kelv::test
