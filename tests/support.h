// Helpers for the tests: expected bytes built from readable pieces, and a converter run on a
// source held in memory.
#pragma once

#include <gtest/gtest.h>

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

// A file of a counted table: "<stem>_number" holding `count`, then "<stem>_data" holding `data`.
inline Bytes table_file(std::string_view stem, std::int32_t count, const Bytes& data) {
  const std::string s(stem);
  return keyed(2, {field(s + "_number", i32(count)), field(s + "_data", data)});
}

// The same file when the table is absent: only the count.
inline Bytes count_file(std::string_view stem, std::int32_t count) {
  return keyed(2, {field(std::string(stem) + "_number", i32(count))});
}

// Reads `source` with the converter, telling `report` what the rules dropped or bent, and returns
// the data file it writes (empty if it refused).
inline Bytes convert(Converter& c, std::string_view source, Report& report) {
  save_test_seed(c, source);
  MemorySource in(source);
  if (!c.read(in, report)) return {};
  MemorySink out;
  DataWriter writer(out);
  c.write(writer);
  return out.bytes;
}

inline Bytes convert(Converter& c, std::string_view source) {
  SilentReport report;
  return convert(c, source, report);
}

// Reads, writes and releases, as the driver does for one file.
inline Bytes convert_once(Converter& c, std::string_view source) {
  Bytes out = convert(c, source);
  c.release();
  return out;
}

// A source and the data file it converts to.
struct SourceCase {
  std::string name;
  std::string source;
  Bytes expected;
};

// Converts every case with a fresh converter made from `args`.
template <class C, class... A>
void expect_outputs(std::initializer_list<SourceCase> cases, const A&... args) {
  for (const SourceCase& k : cases) {
    C c(args...);
    EXPECT_EQ(convert_once(c, k.source), k.expected) << k.name;
  }
}

}  // namespace kelv::test
