#include <gtest/gtest.h>

#include <string>

#include "convert/rules/items.h"
#include "support.h"

namespace kelv::test {
namespace {

// An item record: sixteen numbers (the rest zero), the word and the text.
Bytes item(std::initializer_list<std::int32_t> values, std::string_view word = "",
           std::string_view text = "") {
  Bytes numbers = ints(values);
  numbers.resize(64, 0);
  return cat({numbers, fixed(word, 64), fixed(text, 256)});
}

Bytes items_file(std::int32_t count, const Bytes& records) {
  return keyed(2, {field("item_number", i32(count)), field("item_data", records)});
}

constexpr const char* kFullLine =
    "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -16 short#sword "
    "\x8c\x95#\x82\xa0\x82\xa0#end\n";

TEST(ItemList, RecordLayout) {
  ItemList c;
  const std::string src =
      std::string("<item_number>\n1\n</item_number>\n<item_data>\n") + kFullLine + "</item_data>\n";
  const Bytes out = convert(c, src);
  // '#' in the text is a line break; in the word it stays.
  const Bytes record =
      cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -16}), fixed("short#sword", 64),
           fixed("\x8c\x95\n\x82\xa0\x82\xa0\nend", 256)});
  EXPECT_EQ(record.size(), 384u);
  EXPECT_EQ(out, items_file(1, record));
}

TEST(ItemList, TablesAndRunningIndex) {
  struct Case {
    const char* name;
    std::string source;
    Bytes expected;
  };
  const Case cases[] = {
      {"no count line", "<item_data>\n1 2\n</item_data>\n",
       keyed(2, {field("item_number", i32(0))})},
      {"count 0", "<item_number>\n0\n</item_number>\n", items_file(0, {})},
      {"negative count", "<item_number>\n-1\n</item_number>\n<item_data>\n1\n</item_data>\n",
       keyed(2, {field("item_number", i32(-1))})},
      // 5592406 records would need more than 2^31 - 1 bytes.
      {"count too large", "<item_number>\n5592406\n</item_number>\n",
       keyed(2, {field("item_number", i32(5592406))})},
      {"empty line and short line take records",
       "<item_number>\n3\n</item_number>\n<item_data>\n\n1 2 3 4 5\n</item_data>\n",
       items_file(3, cat({item({}), item({1, 2, 3, 4, 5}), item({})}))},
      // The new table starts empty; the running index stays at 1.
      {"second count section after data lines",
       "<item_number>\n2\n</item_number>\n<item_data>\n7\n</item_data>\n"
       "<item_number>\n3\n</item_number>\n<item_data>\n8\n",
       items_file(3, cat({item({}), item({8}), item({})}))},
  };
  for (const Case& t : cases) {
    ItemList c;
    EXPECT_EQ(convert(c, t.source), t.expected) << t.name;
  }
}

TEST(ItemList, LongWordsAreCut) {
  ItemList c;
  const std::string word(70, 'w');
  const std::string text(300, 't');
  const Bytes out = convert(c,
                            "<item_number>\n1\n</item_number>\n<item_data>\n"
                            "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 " +
                                word + " " + text + "\n");
  EXPECT_EQ(out, items_file(1, item({}, std::string(63, 'w'), std::string(255, 't'))));
}

}  // namespace
}  // namespace kelv::test
