// Seeds for the converters' fuzz target: the number of a route in the route table (one byte),
// then a source for it. When the environment names a folder in KELV_SEED_DIR, every source the
// tests convert is saved there (fuzz/seed.sh uses this), named by a hash of its bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

#include "convert/converter.h"
#include "driver/routes.h"

namespace kelv::test {

// Saves `source` for route number `route` in `folder`; false when it cannot be written.
inline bool save_seed(const std::string& folder, std::size_t route, std::string_view source) {
  std::string seed(1, static_cast<char>(route));
  seed += source;
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (const char c : seed)
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  char name[17];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(seed.data(), 1, seed.size(), f) == seed.size();
  return std::fclose(f) == 0 && written;
}

// Saves what a test converts with `converter`, when KELV_SEED_DIR asks for it.
inline void save_test_seed(Converter& converter, std::string_view source) {
  const char* folder = std::getenv("KELV_SEED_DIR");
  if (folder == nullptr || *folder == '\0') return;
  static const auto converters = std::make_unique<Converters>();
  const std::span<const Route> routes = route_table();
  for (std::size_t i = 0; i < routes.size(); ++i) {
    const Converter& candidate = routes[i].pick(*converters);
    if (typeid(candidate) == typeid(converter)) {
      save_seed(folder, i, source);
      return;
    }
  }
}

}  // namespace kelv::test
