// The container's bytes, written out in full: everything else in the suite reads data files back
// through the inspector, which would agree with a writer that got the format wrong the same way.
#include "format/keyed_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
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

// The data file as it is written, against a plain model of a file: whatever the mix of pieces
// put at its position, written, read back and resized anywhere, it holds the same bytes. Its
// gather writes keep tables of its keeping size or more by their own address, never take more
// than 256 pieces at once (what one gather write of the file seam takes), and write nothing
// after a failure.
class ModelledStream final : public DataStream {
 public:
  Bytes file;
  std::size_t by_address = 0;
  const unsigned char* table = nullptr;
  bool full = false;  // the disk: writes fail from now on

 protected:
  std::string write_pieces(std::uint64_t at, std::span<const Piece> pieces) override {
    EXPECT_LE(pieces.size(), kPieces);
    if (full) return "disk full";
    for (const Piece& p : pieces) {
      by_address += p.data() == table ? 1 : 0;
      if (at + p.size() > file.size()) file.resize(at + p.size());
      std::copy(p.begin(), p.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
      at += p.size();
    }
    return {};
  }
  std::string read_bytes(std::uint64_t at, std::span<unsigned char> out) override {
    EXPECT_LE(at + out.size(), file.size());
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
    return {};
  }
  std::string resize_file(std::uint64_t size) override {
    file.resize(size);
    return {};
  }
};

TEST(DataStream, HoldsWhatAPlainFileWouldHold) {
  Bytes table(3 * DataStream::kKeepFrom);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<unsigned char>(i * 7);
  ModelledStream stream;
  stream.table = table.data();
  Bytes model;
  std::size_t tables = 0;
  const auto write_model = [&](std::uint64_t at, const unsigned char* data, std::size_t size) {
    if (at + size > model.size()) model.resize(at + size);
    std::copy_n(data, size, model.begin() + static_cast<std::ptrdiff_t>(at));
  };
  std::uint32_t state = 1;
  const auto next = [&](std::uint32_t below) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % below;
  };
  for (int step = 0; step < 20000; ++step) {
    const std::uint64_t at = model.empty() ? 0 : next(static_cast<std::uint32_t>(model.size()));
    const std::size_t small = next(64);
    switch (next(8)) {
      case 0:  // a table, by address
        write_model(stream.position(), table.data(), table.size());
        stream.put(table.data(), table.size());
        ++tables;
        break;
      case 1:
        stream.seek(at);
        break;
      case 2: {
        unsigned char* to = stream.room(at, small);
        for (std::size_t i = 0; i < small; ++i)
          to[i] = static_cast<unsigned char>(step + i);
        write_model(at, to, small);
        break;
      }
      case 3: {
        const Bytes bytes(small + (small % 2) * DataStream::kKeepFrom,
                          static_cast<unsigned char>(step));
        stream.write(at, bytes.data(), bytes.size());
        write_model(at, bytes.data(), bytes.size());
        break;
      }
      case 4: {
        const std::size_t n = std::min<std::size_t>(small, model.size() - at);
        Bytes back(n);
        EXPECT_TRUE(stream.read(at, back.data(), n));
        EXPECT_TRUE(std::equal(back.begin(), back.end(), model.begin() + static_cast<long>(at)));
        break;
      }
      case 5:
        stream.resize(at + small);
        model.resize(at + small);
        break;
      default: {  // a number from the stack
        const Bytes number = i32(step);
        write_model(stream.position(), number.data(), number.size());
        stream.put(number.data(), number.size());
        break;
      }
    }
  }
  stream.end();
  model.resize(std::min<std::size_t>(model.size(), stream.position()));
  EXPECT_EQ(stream.file, model);
  EXPECT_TRUE(stream.problem().empty());
  EXPECT_EQ(stream.by_address, tables);

  // After a failure, nothing more is written, and the failure is kept.
  stream.full = true;
  stream.put(table.data(), 8);
  stream.flush();
  stream.full = false;
  stream.put(table.data(), 8);
  stream.end();
  EXPECT_EQ(stream.problem(), "disk full");
  EXPECT_EQ(stream.file, model);
}

}  // namespace
}  // namespace kelv
