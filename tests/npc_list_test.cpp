#include <gtest/gtest.h>

#include <string>

#include "convert/world/npc_list.h"
#include "support.h"

namespace kelv::test {
namespace {

// A record whose line gives only its first value, as written: 30 int32 and an empty word.
Bytes npc(std::int32_t first) {
  return cat({i32(first), zeros(48), counted(""), zeros(68)});
}

TEST(NpcList, Sources) {
  // Values 1 to 13, a Shift-JIS name as the first word, values 15 to 31 and a second word.
  std::string line;
  for (int i = 1; i <= 13; ++i)
    line += std::to_string(i) + " ";
  line += "\x8f\xad\x8f\x97";
  for (int i = 15; i <= 31; ++i)
    line += " " + std::to_string(i);
  line += " secret";
  expect_outputs<NpcList>({
      // The record keeps the values out of line order; the file has them back in line order,
      // and the second word never reaches it. A number in the word's place is kept as text.
      {"written in line order without the second word",
       "<npc_number>\n2\n</npc_number>\n<npc_data>\n" + line +
           "\n1 2 3 4 5 6 7 8 9 10 11 12 13 42\nignored\n</npc_data>\n",
       table_file(
           "npc", 2,
           cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), counted("\x8f\xad\x8f\x97"),
                ints({15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}),
                ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), counted("42"), zeros(68)}))},
      // The second section starts again at record 0; its empty line uses record 1 and keeps
      // what it held, and the final empty line takes record 2.
      {"empty lines use records and the opening tag restarts",
       "<npc_number>\n3\n</npc_number>\n<npc_data>\n1\n2\n</npc_data>\n<npc_data>\n5\n\n",
       table_file("npc", 3, cat({npc(5), npc(2), npc(0)}))},
      {"no count", "<npc_data>\n1 2 3\n</npc_data>\n", count_file("npc", 0)},
      {"negative count", "<npc_number>\n-4\n</npc_number>\n", count_file("npc", -4)},
      {"count 0", "<npc_number>\n0\n</npc_number>\n", table_file("npc", 0, {})},
  });
}

// The count ends with the conversion: a later file without a count section writes 0.
TEST(NpcList, TheReleaseEndsTheCount) {
  NpcList c;
  convert_once(c, "<npc_number>\n2\n</npc_number>\n");
  EXPECT_EQ(convert_once(c, "<npc_data>\n1\n</npc_data>\n"), count_file("npc", 0));
}

}  // namespace
}  // namespace kelv::test
