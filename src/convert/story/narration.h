// "narration_list.txt": narration records of twelve numbers, one word and a thirteenth number,
// one data line each. The table is made at the count line and released after every conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// Held in this order; the writer writes the values in line order (1 to 12, text, 13), so the
// held order never shows in the data file.
struct NarrationRecord {
  std::int32_t value1;
  std::int32_t value6;
  std::int32_t value7;
  std::int32_t value8;
  std::int32_t value9;
  std::int32_t value2;
  std::int32_t value10;
  std::int32_t value11;
  std::int32_t value12;
  std::int32_t value3;
  std::int32_t value4;
  std::int32_t value5;
  std::array<char, 260> text;
  std::int32_t value13;
};
static_assert(sizeof(NarrationRecord) == 312);
static_assert(offsetof(NarrationRecord, value1) == 0);
static_assert(offsetof(NarrationRecord, value6) == 4);
static_assert(offsetof(NarrationRecord, value7) == 8);
static_assert(offsetof(NarrationRecord, value8) == 12);
static_assert(offsetof(NarrationRecord, value9) == 16);
static_assert(offsetof(NarrationRecord, value2) == 20);
static_assert(offsetof(NarrationRecord, value10) == 24);
static_assert(offsetof(NarrationRecord, value11) == 28);
static_assert(offsetof(NarrationRecord, value12) == 32);
static_assert(offsetof(NarrationRecord, value3) == 36);
static_assert(offsetof(NarrationRecord, value4) == 40);
static_assert(offsetof(NarrationRecord, value5) == 44);
static_assert(offsetof(NarrationRecord, text) == 48);
static_assert(offsetof(NarrationRecord, value13) == 308);

class NarrationList final : public SectionConverter<NarrationList> {
 public:
  static const Declaration<NarrationList>& declaration();

  // The count stays until the conversion is released.
  void start_reading() {
    records.table.reset();
    index = 0;
  }
  void release() override { records.release(); }

  CountedTable<NarrationRecord> records;

  // The next record a data line fills. Set to 0 only when a reading starts: neither a second
  // data section nor a second count line sets it back.
  std::int64_t index = 0;
};

}  // namespace kelv
