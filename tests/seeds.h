// Seeds for the converters' fuzz target: the name of a kind and a line feed, then a source for
// it, named by a hash of its bytes. When the environment names a folder in KELV_SEED_DIR, the
// case runner saves every source it converts there (fuzz/seed.sh uses this).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kelv::test {

// Saves `source` of the kind named `kind` in `folder`; false when it cannot be written.
inline bool save_seed(const std::string& folder, std::string_view kind, std::string_view source) {
  std::string seed(kind);
  seed += '\n';
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

}  // namespace kelv::test
