#include "format/keyed_data.h"

#include <gtest/gtest.h>

#include <array>

#include "support.h"

namespace kelv::test {
namespace {

TEST(KeyedData, FieldRecordOfAbcWithEightBytes) {
  MemorySink out;
  DataWriter w(out);
  w.fields(1);
  std::int32_t a = 1, b = -2;
  w.field("abc", [&](auto& d) {
    d.i32(a, {});
    d.i32(b, {});
  });
  EXPECT_EQ(out.bytes, cat({i32(1), i32(4), text("abc"), zeros(1), i32(8), i32(1), i32(-2)}));
}

// A counted text is its length with the NUL, the text and the NUL; a field's text stops at its
// first NUL.
TEST(KeyedData, CountedTexts) {
  const std::array<char, 8> field = {'h', 'i', '\0', 'x', 'y', '\0', '\0', '\0'};
  MemorySink out;
  keyed_detail::Emit e(out);
  e.counted("abc");
  e.text(field, {});
  EXPECT_EQ(counted_size(text_of(field)), 7);
  EXPECT_EQ(out.bytes, cat({i32(4), text("abc"), zeros(1), counted("hi")}));
}

// Numbers are little-endian; records are written as held.
TEST(KeyedData, NumbersAndRecords) {
  MemorySink out;
  keyed_detail::Emit e(out);
  e.i32(-3);
  e.f32(0.5f);
  EXPECT_EQ(out.bytes, (Bytes{0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F}));
}

}  // namespace
}  // namespace kelv::test
