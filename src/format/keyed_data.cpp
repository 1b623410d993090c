#include "format/keyed_data.h"

#include <cassert>

namespace kelv {

void DataWriter::header(std::string_view name, std::int64_t data_size) {
  // Tables whose data would not fit are refused when they are made, so this always holds.
  assert(data_size >= 0 && data_size <= std::numeric_limits<std::int32_t>::max());
  emit_.counted(name);
  emit_.i32(static_cast<std::int32_t>(data_size));
}

}  // namespace kelv
