// The keyed data file the engine loads: int32 field count, then field records, each the name
// length (name bytes + 1), the name and its NUL, the data size and the data. Little-endian, no
// header, no alignment. A converter's writer builds the whole file in memory here; the driver
// then puts it in place (or not) in one step.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "format/text.h"

namespace kelv {

class KeyedData {
 public:
  // Starts a file of `field_count` fields.
  explicit KeyedData(std::int32_t field_count) { i32(field_count); }

  // The field header step: name length, name and NUL, data size. The data follows.
  void field(std::string_view name, std::int64_t data_size);

  void i32(std::int32_t value);
  void f32(float value);
  // Counted text: int32 T (byte length + 1), then the text and its NUL.
  void counted(std::string_view text);
  void counted(const std::string& text) { counted(std::string_view(text)); }
  // The text held in a fixed field (up to its NUL), as counted text.
  void counted(std::span<const char> field) { counted(text_of(field)); }
  template <std::size_t N>
  void counted(const char (&field)[N]) {
    counted(text_of(field));
  }
  void raw(const void* data, std::size_t size);

  // A field of int32 values: its header, then the values.
  void i32_field(std::string_view name, std::span<const std::int32_t> values) {
    field(name, 4 * static_cast<std::int64_t>(values.size()));
    for (const std::int32_t v : values)
      i32(v);
  }
  void i32_field(std::string_view name, std::int32_t value) { i32_field(name, {&value, 1}); }

  // Records kept in the engine's layout are written as held. Their layouts are pinned down by
  // static_asserts beside each record; the bytes are the engine's only on a little-endian host.
  template <class R>
  void record(const R& r) {
    static_assert(std::is_trivially_copyable_v<R>);
    static_assert(std::endian::native == std::endian::little,
                  "records are written as held: a big-endian host needs field-by-field writing");
    raw(&r, sizeof r);
  }
  template <class R>
  void records(std::span<const R> rs) {
    static_assert(std::is_trivially_copyable_v<R>);
    static_assert(std::endian::native == std::endian::little,
                  "records are written as held: a big-endian host needs field-by-field writing");
    raw(rs.data(), rs.size_bytes());
  }

  // The data size of a counted text.
  static std::int64_t counted_size(std::string_view text) {
    return 4 + static_cast<std::int64_t>(text.size()) + 1;
  }
  static std::int64_t counted_size(const std::string& text) {
    return counted_size(std::string_view(text));
  }
  static std::int64_t counted_size(std::span<const char> field) {
    return counted_size(text_of(field));
  }
  template <std::size_t N>
  static std::int64_t counted_size(const char (&field)[N]) {
    return counted_size(text_of(field));
  }

  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace kelv
