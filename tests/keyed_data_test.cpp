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

// Whatever the mix of pieces, the gather writes pass on the same bytes in the same order, tables
// by their own address, and never more pieces at once than the limit.
TEST(KeyedData, GatherSinkPassesTheBytesOnInOrder) {
  Bytes table(GatherSink::kKeepFrom * 3);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<unsigned char>(i * 7);
  Bytes given;
  Bytes passed;
  std::size_t by_address = 0;
  GatherSink sink([&](std::span<const GatherSink::Piece> pieces) {
    EXPECT_LE(pieces.size(), GatherSink::kPieces);
    for (const GatherSink::Piece& p : pieces) {
      if (p.data() == table.data()) ++by_address;
      passed.insert(passed.end(), p.begin(), p.end());
    }
  });
  const auto put = [&](const unsigned char* data, std::size_t size) {
    sink.put(data, size);
    given.insert(given.end(), data, data + size);
  };
  for (int round = 0; round < 3; ++round) {
    // More small pieces than the buffer holds, then more large ones than a write takes.
    for (std::size_t n = 0; n < 2 * GatherSink::kBuffer; n += 13) {
      const Bytes small = i32(static_cast<std::int32_t>(n));
      put(small.data(), small.size());
      put(table.data() + n % 1000, n % 200);
    }
    for (std::size_t n = 0; n < GatherSink::kPieces + 3; ++n)
      put(table.data(), table.size());
  }
  sink.flush();
  EXPECT_EQ(passed, given);
  EXPECT_EQ(by_address, 3 * (GatherSink::kPieces + 3));
}

}  // namespace
}  // namespace kelv::test
