// The container's bytes, written out in full: everything else in the suite reads data files back
// through the inspector, which would agree with a writer that got the format wrong the same way.
#include "format/keyed_data.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kelv {
namespace {

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

}  // namespace
}  // namespace kelv
