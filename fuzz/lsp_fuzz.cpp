// The language server on any bytes. See the property in fuzz/properties.h.
#include <cstddef>
#include <cstdint>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelv::fuzz::lsp_property({data, size});
  return 0;
}
