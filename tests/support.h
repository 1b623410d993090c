// Helpers for the tests: expected bytes built from readable pieces, and a converter run on a
// source held in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "format/keyed_data.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "seeds.h"

namespace kelv::test {

using Bytes = std::vector<unsigned char>;

inline Bytes i32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
          static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
}

inline Bytes f32(float v) {
  return i32(std::bit_cast<std::int32_t>(v));
}

// Raw bytes of a text, without a NUL.
inline Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// `n` zero bytes.
inline Bytes zeros(std::size_t n) {
  return Bytes(n, 0);
}

// A fixed text field: the text, then zeros up to `size`.
inline Bytes fixed(std::string_view s, std::size_t size) {
  Bytes b = text(s);
  b.resize(size, 0);
  return b;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Counted text: int32 (length + 1), the text and its NUL.
inline Bytes counted(std::string_view s) {
  return cat({i32(static_cast<std::int32_t>(s.size() + 1)), text(s), zeros(1)});
}

// A field record whose data size is the size of `data`.
inline Bytes field(std::string_view name, const Bytes& data) {
  return cat({counted(name), i32(static_cast<std::int32_t>(data.size())), data});
}

// Several int32 values.
inline Bytes ints(std::initializer_list<std::int32_t> values) {
  Bytes out;
  for (const std::int32_t v : values) {
    const Bytes b = i32(v);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

// A keyed data file: the field count and the field records.
inline Bytes keyed(std::int32_t count, std::initializer_list<Bytes> fields) {
  Bytes out = i32(count);
  for (const Bytes& f : fields)
    out.insert(out.end(), f.begin(), f.end());
  return out;
}

// Keeps every finding, for tests that look at what the rules dropped or bent.
class RecordingReport final : public Report {
 public:
  void note(const Finding& f) override { findings.push_back(f); }
  bool has(Note n) const {
    for (const Finding& f : findings) {
      if (f.note == n) return true;
    }
    return false;
  }
  std::vector<Finding> findings;
};

// Reads `source` with the converter and returns the data file it writes (empty if it refused).
inline Bytes convert(Converter& c, std::string_view source) {
  save_test_seed(c, source);
  MemorySource in(source);
  SilentReport report;
  if (!c.read(in, report)) return {};
  return c.write().bytes();
}

// Reads, writes and releases, as the driver does for one file.
inline Bytes convert_once(Converter& c, std::string_view source) {
  Bytes out = convert(c, source);
  c.release();
  return out;
}

}  // namespace kelv::test
