// Every converter on one source, its output read back and decompiled. See the
// property in fuzz/properties.h.
#include <cstddef>
#include <cstdint>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelv::fuzz::converters_property({data, size});
  return 0;
}
