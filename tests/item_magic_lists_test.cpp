#include <gtest/gtest.h>

#include <string>

#include "convert/rules/item_magic_lists.h"
#include "support.h"

namespace kelv::test {
namespace {

// An item or spell record: `numbers` numbers (those not given are zero), the word and the text.
Bytes list_record(std::size_t numbers, std::initializer_list<std::int32_t> values,
                  std::string_view word = "", std::string_view text = "") {
  Bytes held = ints(values);
  held.resize(4 * numbers, 0);
  return cat({held, fixed(word, 64), fixed(text, 256)});
}

Bytes item(std::initializer_list<std::int32_t> values, std::string_view word = "",
           std::string_view text = "") {
  return list_record(16, values, word, text);
}

TEST(ItemList, Sources) {
  const std::string item_one = "<item_number>\n1\n</item_number>\n<item_data>\n";
  expect_outputs<ItemList>({
      // '#' in the text is a line break, walking Shift-JIS; in the word it stays.
      {"record layout",
       item_one +
           "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -16 short#sword \x8c\x95#\x82\xa0\x82\xa0#end\n"
           "</item_data>\n",
       table_file("item", 1,
                  cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -16}),
                       fixed("short#sword", 64), fixed("\x8c\x95\n\x82\xa0\x82\xa0\nend", 256)}))},
      // Long lines: words longer than their fields are cut.
      {"long words",
       item_one + "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 " + std::string(70, 'w') + " " +
           std::string(300, 't') + "\n",
       table_file("item", 1, item({}, std::string(63, 'w'), std::string(255, 't')))},
      {"no count line", "<item_data>\n1 2\n</item_data>\n", count_file("item", 0)},
      {"count 0", "<item_number>\n0\n</item_number>\n", table_file("item", 0, {})},
      {"negative count", "<item_number>\n-1\n</item_number>\n<item_data>\n1\n</item_data>\n",
       count_file("item", -1)},
      // 5592406 records would need more than 2^31 - 1 bytes.
      {"count too large", "<item_number>\n5592406\n</item_number>\n", count_file("item", 5592406)},
      {"empty line and short line take records",
       "<item_number>\n3\n</item_number>\n<item_data>\n\n1 2 3 4 5\n</item_data>\n",
       table_file("item", 3, cat({item({}), item({1, 2, 3, 4, 5}), item({})}))},
      // The new table starts empty; the running index stays at 1.
      {"second count section after data lines",
       "<item_number>\n2\n</item_number>\n<item_data>\n7\n</item_data>\n"
       "<item_number>\n3\n</item_number>\n<item_data>\n8\n",
       table_file("item", 3, cat({item({}), item({8}), item({})}))},
  });
}

TEST(MagicList, RecordLayoutAndLineBreaks) {
  // "炎#の#魔法" as text; the word keeps its '#'.
  expect_outputs<MagicList>({
      {"magic",
       "<magic_number>\n2\n</magic_number>\n<magic_data>\n"
       "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 fire#1 \x89\x8a#\x82\xcc#\x96\x82\x96\x40\n"
       "</magic_data>\n",
       table_file("magic", 2,
                  cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}),
                       fixed("fire#1", 64), fixed("\x89\x8a\n\x82\xcc\n\x96\x82\x96\x40", 256),
                       list_record(18, {})}))},
  });
}

}  // namespace
}  // namespace kelv::test
