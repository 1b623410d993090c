#include <gtest/gtest.h>

#include <string>

#include "convert/rules/magic.h"
#include "support.h"

namespace kelv::test {
namespace {

// A magic record: eighteen numbers (the rest zero), the word and the text.
Bytes magic(std::initializer_list<std::int32_t> values, std::string_view word = "",
            std::string_view text = "") {
  Bytes numbers = ints(values);
  numbers.resize(72, 0);
  return cat({numbers, fixed(word, 64), fixed(text, 256)});
}

Bytes magic_file(std::int32_t count, const Bytes& records) {
  return keyed(2, {field("magic_number", i32(count)), field("magic_data", records)});
}

TEST(MagicList, RecordLayoutAndLineBreaks) {
  MagicList c;
  // "炎#の#魔法" as text; the word keeps its '#'.
  const Bytes out = convert(c,
                            "<magic_number>\n2\n</magic_number>\n<magic_data>\n"
                            "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 fire#1 "
                            "\x89\x8a#\x82\xcc#\x96\x82\x96\x40\n"
                            "</magic_data>\n");
  const Bytes record =
      cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}),
           fixed("fire#1", 64), fixed("\x89\x8a\n\x82\xcc\n\x96\x82\x96\x40", 256)});
  EXPECT_EQ(record.size(), 392u);
  EXPECT_EQ(out, magic_file(2, cat({record, magic({})})));
}

}  // namespace
}  // namespace kelv::test
