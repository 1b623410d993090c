// What the language server asks of the program that runs it: conversions, made as the command
// line makes them (the driver lies above the server, so it hands this down).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kelv::lsp {

// What a conversion did, as its lines told it.
struct Conversion {
  bool failed = false;
  std::vector<std::string> converted;  // "SOURCE -> OUTPUT", one per output put in place
  std::vector<std::string> failures;   // what failed, one line each
  std::size_t warnings = 0;            // findings told of the sources
};

class Host {
 public:
  virtual ~Host() = default;
  // Converts the sources of the kind of the source at `path` in its folder as -u does: the kind
  // as one unit when one of its outputs is out of date, with the safe replace.
  virtual Conversion convert_kind_of(const std::string& path) = 0;
  // Converts every source of the folder `folder`.
  virtual Conversion convert_folder(const std::string& folder) = 0;
};

}  // namespace kelv::lsp
