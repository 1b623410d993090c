// Whether bytes are a keyed data file a loader can walk: the field count, then at most that many
// field records (writers leave out the records of absent tables but never lower the count),
// each a name length, a NUL-terminated name, a data size and exactly that many data bytes, and
// nothing after the last record.
//
// The one known exception is "shop_data": its data size counts 32 bytes per shop for the fixed
// parts of a shop where 16 are written. It is accepted only as exactly that: it follows
// "shop_number", is the last field, its shops walk exactly to the end of the file, and the data
// size exceeds the bytes that follow by 16 times the shop count.
//
// Shared by the tests and the fuzz targets; header-only, standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace kelv::check {

namespace well_formed_detail {

class Cursor {
 public:
  explicit Cursor(std::span<const unsigned char> b) : b_(b) {}
  std::size_t at() const { return i_; }
  std::size_t left() const { return b_.size() - i_; }
  bool i32(std::int32_t& v) {
    if (left() < 4) return false;
    const std::uint32_t u =
        static_cast<std::uint32_t>(b_[i_]) | static_cast<std::uint32_t>(b_[i_ + 1]) << 8 |
        static_cast<std::uint32_t>(b_[i_ + 2]) << 16 | static_cast<std::uint32_t>(b_[i_ + 3]) << 24;
    v = static_cast<std::int32_t>(u);
    i_ += 4;
    return true;
  }
  bool skip(std::int64_t n) {
    if (n < 0 || static_cast<std::uint64_t>(n) > left()) return false;
    i_ += static_cast<std::size_t>(n);
    return true;
  }
  const unsigned char* here() const { return b_.data() + i_; }

 private:
  std::span<const unsigned char> b_;
  std::size_t i_ = 0;
};

inline std::string at(const Cursor& c) {
  return " (at byte " + std::to_string(c.at()) + ")";
}

// A counted text: int32 T >= 1, then T bytes, the last the only NUL.
inline std::string counted(Cursor& c, const std::string& what, std::string* text = nullptr) {
  std::int32_t n = 0;
  if (!c.i32(n)) return what + ": cut in its length" + at(c);
  if (n < 1 || static_cast<std::uint64_t>(n) > c.left()) {
    return what + ": length " + std::to_string(n) + " with " + std::to_string(c.left()) +
           " bytes left" + at(c);
  }
  const auto* p = reinterpret_cast<const char*>(c.here());
  const std::size_t size = static_cast<std::size_t>(n);
  if (p[size - 1] != '\0') return what + ": no NUL at its end" + at(c);
  if (std::memchr(p, '\0', size - 1) != nullptr) return what + ": NUL inside" + at(c);
  if (text != nullptr) text->assign(p, size - 1);
  c.skip(n);
  return {};
}

// The shop data after its field header: `shops` shops, each kind, two counted names, an item
// count and that many item indexes, walking exactly `bytes` bytes.
inline std::string shops(Cursor& c, std::int32_t count, std::size_t bytes) {
  const std::size_t end = c.at() + bytes;
  for (std::int32_t s = 0; s < count; ++s) {
    const std::string shop = "shop " + std::to_string(s);
    std::int32_t kind = 0;
    std::int32_t items = 0;
    if (!c.i32(kind)) return shop + ": cut in its kind" + at(c);
    if (std::string p = counted(c, shop + " buy background"); !p.empty()) return p;
    if (std::string p = counted(c, shop + " sell background"); !p.empty()) return p;
    if (!c.i32(items)) return shop + ": cut in its item count" + at(c);
    if (items < 0 || !c.skip(std::int64_t{4} * items)) {
      return shop + ": item count " + std::to_string(items) + " with " + std::to_string(c.left()) +
             " bytes left" + at(c);
    }
    if (c.at() > end) return shop + ": runs past the end of shop_data" + at(c);
  }
  if (c.at() != end) return "shop_data: bytes after the last shop" + at(c);
  return {};
}

}  // namespace well_formed_detail

// Empty when `bytes` are a well-formed keyed data file, else the first thing wrong with them.
inline std::string well_formed(std::span<const unsigned char> bytes) {
  using namespace well_formed_detail;
  Cursor c(bytes);
  std::int32_t declared = 0;
  if (!c.i32(declared)) return "no field count";
  if (declared < 0) return "negative field count " + std::to_string(declared);
  std::int64_t shop_count = -1;  // from "shop_number", once seen
  std::int32_t records = 0;
  while (c.left() > 0) {
    if (records == declared) {
      return "more field records than the field count " + std::to_string(declared) + at(c);
    }
    const std::string record = "field record " + std::to_string(records);
    std::string name;
    if (std::string p = counted(c, record + " name", &name); !p.empty()) return p;
    if (name.empty()) return record + ": empty name" + at(c);
    std::int32_t size = 0;
    if (!c.i32(size)) return name + ": cut in its data size" + at(c);
    if (size < 0) return name + ": negative data size " + std::to_string(size) + at(c);
    ++records;
    if (name == "shop_data") {
      if (shop_count < 0) return "shop_data without a shop count (shop_number) before it" + at(c);
      const std::int64_t follow = static_cast<std::int64_t>(c.left());
      if (size != follow + 16 * shop_count) {
        return "shop_data declares " + std::to_string(size) + " bytes where " +
               std::to_string(follow) + " follow for " + std::to_string(shop_count) +
               " shops (16 more per shop expected)" + at(c);
      }
      return shops(c, static_cast<std::int32_t>(shop_count), c.left());
    }
    if (name == "shop_number" && size == 4) {
      std::int32_t n = 0;
      Cursor peek = c;
      peek.i32(n);
      shop_count = n;
    }
    if (!c.skip(size)) {
      return name + ": declares " + std::to_string(size) + " data bytes where " +
             std::to_string(c.left()) + " follow" + at(c);
    }
  }
  return {};
}

}  // namespace kelv::check
