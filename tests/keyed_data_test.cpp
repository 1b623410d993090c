// The container's bytes, written out in full: everything else in the suite reads data files back
// through the inspector, which would agree with a writer that got the format wrong the same way.
#include "format/keyed_data.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support.h"

namespace kelv {
namespace {

using test::Bytes;
using test::i32;

TEST(KeyedData, TheBytesOfAFieldRecord) {
  MemorySink out;
  out.bytes.reserve(64);  // g++ 12 at -O3 warns wrongly of the first bytes put in an empty vector
  DataWriter w(out);
  w.fields(1);
  const std::int32_t number = -2;
  const float real = 0.5f;
  const std::array<char, 6> text = {'h', 'i', '\0', 'x', '\0', '\0'};  // a text stops at its NUL
  w.field("abc", [&](auto& d) {
    d.i32(number, {});
    d.f32(real, {});
    d.text(text, {});
  });
  const std::vector<unsigned char> expected = {
      0x01, 0x00, 0x00, 0x00,                 // one field
      0x04, 0x00, 0x00, 0x00, 'a', 'b', 'c', 0,  // its name, counted with the NUL
      0x0F, 0x00, 0x00, 0x00,                 // 15 data bytes:
      0xFE, 0xFF, 0xFF, 0xFF,                 // -2, little-endian
      0x00, 0x00, 0x00, 0x3F,                 // 0.5
      0x03, 0x00, 0x00, 0x00, 'h', 'i', 0};   // the counted text "hi"
  EXPECT_EQ(out.bytes, expected);
}

// Whatever the mix of pieces, the gather writes pass on the same bytes in the same order: small
// ones copied (they may come from a number on the stack), tables of 4 KiB or more by their own
// address, and never more than 256 pieces at once, what one gather write of the file seam takes.
TEST(KeyedData, GatherSinkPassesTheBytesOnInOrder) {
  constexpr std::size_t kPieces = 256;
  Bytes table(12 * 1024);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<unsigned char>(i * 7);
  Bytes given;
  Bytes passed;
  std::size_t by_address = 0;
  GatherSink sink([&](std::span<const GatherSink::Piece> pieces) {
    EXPECT_LE(pieces.size(), kPieces);
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
    // More small pieces than its buffer of 64 KiB holds, then more large ones than a write takes.
    for (std::size_t n = 0; n < 2 * 64 * 1024; n += 13) {
      const Bytes small = i32(static_cast<std::int32_t>(n));
      put(small.data(), small.size());
      put(table.data() + n % 1000, n % 200);
    }
    for (std::size_t n = 0; n < kPieces + 3; ++n)
      put(table.data(), table.size());
  }
  sink.flush();
  EXPECT_EQ(passed, given);
  EXPECT_EQ(by_address, 3 * (kPieces + 3));
}

}  // namespace
}  // namespace kelv
