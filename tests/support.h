// Helpers for the tests: the bytes of small data files built from readable pieces, a report that
// keeps what it hears, and a converter run on a source held in memory.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "format/keyed_data.h"
#include "format/line_reader.h"
#include "format/report.h"

namespace kelv::test {

using Bytes = std::vector<unsigned char>;

inline Bytes i32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
          static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
}

// Raw bytes of a text, without a NUL.
inline Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A field record: the name length (with the NUL), the name and its NUL, the data size, the data.
inline Bytes field(std::string_view name, const Bytes& data) {
  return cat({i32(static_cast<std::int32_t>(name.size() + 1)), text(name), Bytes(1, 0),
              i32(static_cast<std::int32_t>(data.size())), data});
}

// A keyed data file: the field count and the field records.
inline Bytes keyed(std::int32_t count, std::initializer_list<Bytes> fields) {
  return cat({i32(count), cat(fields)});
}

// Keeps every finding, for tests that look at what the rules dropped or bent.
class RecordingReport final : public Report {
 public:
  void note(const Note& n) override { notes.push_back(n); }
  template <class Seen>
  bool has() const {
    for (const Note& n : notes) {
      if (n.is<Seen>()) return true;
    }
    return false;
  }
  std::vector<Note> notes;
};

// Reads `source` with the converter and returns the data file it writes (empty if it refused).
inline Bytes convert(Converter& c, std::string_view source) {
  MemorySource in(source);
  SilentReport report;
  if (c.read(in, report)) return {};
  MemorySink out;
  DataWriter writer(out);
  c.write(writer);
  return out.bytes;
}

// Reads, writes and releases, as the driver does for one file.
inline Bytes convert_once(Converter& c, std::string_view source) {
  Bytes out = convert(c, source);
  c.release();
  return out;
}

}  // namespace kelv::test
