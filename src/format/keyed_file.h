// The framing of a keyed data file as it lies on the disk: the field count, then field records,
// each its name length, its name and NUL, its data size and its data. Read here without any
// layout, for the reader that decodes a kind's fields and for files of no known kind.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "language/tr.h"

namespace kelv {

// The little-endian int32 at `pos` (4 bytes must be there).
std::int32_t i32_at(std::span<const unsigned char> bytes, std::size_t pos);

// One field record as the file has it.
struct FieldRecord {
  std::string_view name;  // up to its NUL
  std::uint64_t at = 0;   // where the record begins (its name length)
  std::uint64_t data_at = 0;
  std::int64_t declared = 0;            // the data size it declares
  std::span<const unsigned char> data;  // the bytes that follow: `declared` of them, or fewer
};

struct DataProblem {
  std::uint64_t at;
  std::string field;  // empty outside every field
  Message message;
};

// The field count and the field records of a file, as far as they can be read.
struct KeyedFile {
  std::int32_t count = -1;  // -1 when the file is too short to have one
  std::vector<FieldRecord> fields;
  std::uint64_t size = 0;
};
KeyedFile read_fields(std::span<const unsigned char> bytes, std::vector<DataProblem>& problems);

// Why `bytes` are no data file at all, told before anything of them is shown: a file too short
// for its field count (or empty), a text (a source given by mistake), a field count more than
// the file could hold. Empty where the file may be one, however damaged.
Message not_a_data_file(std::span<const unsigned char> bytes);

// A problem as one line: "offset N: FIELD: MESSAGE" ("offset N: MESSAGE" outside every field), in
// the current language.
std::string describe(const DataProblem& problem);

}  // namespace kelv
