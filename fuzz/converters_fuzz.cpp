// Every converter on one source: the first byte picks the route, the rest is the source. The
// data file written must read back exactly by its kind's layout, and decompile into a source
// that converts back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const kelv::Route& route = kelv::fuzz::route_for(data[0]);
  const auto converters = std::make_unique<kelv::Converters>();
  kelv::fuzz::convert_and_check(route, route.pick(*converters),
                                kelv::fuzz::as_text(data + 1, size - 1), true);
  return 0;
}
