#include "format/keyed_data.h"

#include <gtest/gtest.h>

#include <array>

#include "support.h"

namespace kelv::test {
namespace {

TEST(KeyedData, FieldRecordOfAbcWithEightBytes) {
  KeyedData out(1);
  out.field("abc", 8);
  out.i32(1);
  out.i32(-2);
  EXPECT_EQ(out.bytes(), cat({i32(1), i32(4), text("abc"), zeros(1), i32(8), i32(1), i32(-2)}));
}

// A counted text is its length with the NUL, the text and the NUL; a field's text stops at its
// first NUL.
TEST(KeyedData, CountedTexts) {
  const std::array<char, 8> field = {'h', 'i', '\0', 'x', 'y', '\0', '\0', '\0'};
  KeyedData out(0);
  out.counted("abc");
  out.counted(field);
  EXPECT_EQ(KeyedData::counted_size(field), 7);
  EXPECT_EQ(out.bytes(), cat({i32(0), i32(4), text("abc"), zeros(1), counted("hi")}));
}

// Numbers are little-endian; records are written as held.
TEST(KeyedData, NumbersAndRecords) {
  KeyedData out(2);
  out.i32(-3);
  out.f32(0.5f);
  EXPECT_EQ(out.bytes(), (Bytes{2, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F}));
  struct Pair {
    std::int32_t a;
    char name[4];
  };
  const Pair pairs[2] = {{7, "ab"}, {-1, "xyz"}};
  KeyedData records(0);
  records.records(std::span<const Pair>(pairs));
  EXPECT_EQ(records.bytes(), cat({i32(0), i32(7), fixed("ab", 4), i32(-1), text("xyz"), zeros(1)}));
}

}  // namespace
}  // namespace kelv::test
