// "magic_list.txt": the magic table, one fixed-size record per spell, shaped like the items with
// two more numbers. The table lives for one conversion only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/converter.h"
#include "format/table.h"

namespace kelv {

// One spell, in the engine's layout: written as held.
struct Magic {
  std::int32_t values[18];  // the line's eighteen numbers, in order
  char word[64];            // one word, NUL-terminated, rest zero
  char text[256];           // one word, '#' turned into line feeds, NUL-terminated, rest zero
};
static_assert(sizeof(Magic) == 392);
static_assert(offsetof(Magic, values) == 0);
static_assert(offsetof(Magic, word) == 72);
static_assert(offsetof(Magic, text) == 136);

class MagicList final : public Converter {
 public:
  bool read(ByteSource& source, Report& report) override;
  KeyedData write() override;
  void release() override;

  std::int32_t magic_count = 0;
  Table<Magic> magic;
};

}  // namespace kelv
