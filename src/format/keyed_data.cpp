#include "format/keyed_data.h"

#include <cassert>
#include <cstring>
#include <limits>

namespace kelv {

void KeyedData::i32(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16),
                              static_cast<unsigned char>(u >> 24)};
  bytes_.insert(bytes_.end(), b, b + 4);
}

void KeyedData::f32(float value) {
  i32(std::bit_cast<std::int32_t>(value));
}

void KeyedData::raw(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void KeyedData::counted(std::string_view text) {
  i32(static_cast<std::int32_t>(text.size() + 1));
  raw(text.data(), text.size());
  bytes_.push_back(0);
}

void KeyedData::field(std::string_view name, std::int64_t data_size) {
  // Tables whose data would not fit are refused when they are made, so this always holds.
  assert(data_size >= 0 && data_size <= std::numeric_limits<std::int32_t>::max());
  counted(name);
  i32(static_cast<std::int32_t>(data_size));
}

}  // namespace kelv
