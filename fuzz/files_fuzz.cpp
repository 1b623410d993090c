// Several sources through one run of converters. See the
// property in fuzz/properties.h.
#include <cstddef>
#include <cstdint>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelv::fuzz::files_property({data, size});
  return 0;
}
