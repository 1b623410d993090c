#include <gtest/gtest.h>

#include <string>

#include "convert/world/npc_list.h"
#include "support.h"

namespace kelv::test {
namespace {

TEST(NpcList, WithoutCountOnlyTheCountIsWritten) {
  NpcList c;
  EXPECT_EQ(convert_once(c, "<npc_data>\n1 2 3\n</npc_data>\n"),
            keyed(2, {field("npc_number", i32(0))}));
  EXPECT_EQ(convert_once(c, "<npc_number>\n-4\n</npc_number>\n"),
            keyed(2, {field("npc_number", i32(-4))}));
}

TEST(NpcList, CountZeroWritesEmptyData) {
  NpcList c;
  EXPECT_EQ(convert_once(c, "<npc_number>\n0\n</npc_number>\n"),
            keyed(2, {field("npc_number", i32(0)), field("npc_data", {})}));
}

// The record keeps the values out of line order; the file has them back in line order, and
// the second word never reaches it.
TEST(NpcList, ValuesAreWrittenInLineOrderWithoutTheSecondWord) {
  NpcList c;
  std::string line;
  for (int i = 1; i <= 13; ++i)
    line += std::to_string(i) + " ";
  line += "\x8f\xad\x8f\x97";  // a Shift-JIS name as the first word
  for (int i = 15; i <= 31; ++i)
    line += " " + std::to_string(i);
  line += " secret";
  const Bytes out = convert_once(c, "<npc_number>\n2\n</npc_number>\n<npc_data>\n" + line +
                                        "\n1 2 3 4 5 6 7 8 9 10 11 12 13 42\n"
                                        "ignored\n</npc_data>\n");
  const Bytes record1 =
      cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), counted("\x8f\xad\x8f\x97"),
           ints({15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31})});
  // A number in the word's place is kept as text.
  const Bytes record2 =
      cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), counted("42"), zeros(68)});
  EXPECT_EQ(out,
            keyed(2, {field("npc_number", i32(2)), field("npc_data", cat({record1, record2}))}));
  EXPECT_EQ(record1.size(), 5u + 124u);
}

TEST(NpcList, EmptyLinesUseRecordsAndTheOpeningTagRestarts) {
  NpcList c;
  const Bytes out = convert_once(c,
                                 "<npc_number>\n3\n</npc_number>\n"
                                 "<npc_data>\n1\n2\n</npc_data>\n"
                                 "<npc_data>\n5\n\n");
  // The second section starts again at record 0; its empty line uses record 1 and keeps what
  // it held, and the final empty line takes record 2, written as 30 zeros and an empty word.
  const auto record = [](std::int32_t v) {
    return cat({i32(v), zeros(48), counted(""), zeros(68)});
  };
  EXPECT_EQ(record(0).size(), 125u);
  EXPECT_EQ(out, keyed(2, {field("npc_number", i32(3)),
                           field("npc_data", cat({record(5), record(2), record(0)}))}));
}

TEST(NpcList, LongSecondWordIsCutToItsField) {
  NpcList c;
  const std::string source =
      "<npc_number>\n1\n</npc_number>\n<npc_data>\n"
      "0 0 0 0 0 0 0 0 0 0 0 0 0 w 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 " +
      std::string(100, 's') + "\n";
  MemorySource in(source);
  SilentReport report;
  ASSERT_TRUE(c.read(in, report));
  EXPECT_EQ(std::string(c.npcs.table[0].second_word.data()), std::string(63, 's'));
  c.release();
  EXPECT_FALSE(c.npcs.table.present());
  EXPECT_EQ(c.npcs.count, 0);
}

}  // namespace
}  // namespace kelv::test
