// Several sources through one run: the input is split at each byte 0x1E into up to 16 files,
// each of which names its route with its first byte. One set of converters serves them all, as
// in the driver, so the values a converter carries from one file to the next are fuzzed too.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr char kSeparator = '\x1e';
  constexpr int kMostFiles = 16;
  const auto converters = std::make_unique<kelv::Converters>();
  std::string_view rest = kelv::fuzz::as_text(data, size);
  for (int files = 0; files < kMostFiles && !rest.empty(); ++files) {
    const std::size_t cut = rest.find(kSeparator);
    const std::string_view file = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (file.empty()) continue;
    const kelv::Route& route = kelv::fuzz::route_for(static_cast<unsigned char>(file[0]));
    kelv::fuzz::convert_and_check(route, route.pick(*converters), file.substr(1));
  }
  // The driver's last step: nothing is left allocated.
  for (const kelv::Route& route : kelv::route_table())
    route.pick(*converters).release();
  return 0;
}
