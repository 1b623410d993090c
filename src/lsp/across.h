// The checks across files, as a conversion of a game folder makes them: the numbers of a source
// that index the list of another kind (a shop's items, a scene's people) against that list as
// the sources of the same folder give it (inspect/references.h). A source the editor has open
// gives it as the editor has it; any other, as it is on disk, read once for each time it changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "inspect/finding.h"
#include "inspect/references.h"
#include "lsp/reading.h"

namespace kelv::lsp {

class Across {
 public:
  // The reading of the source at a path, where the editor has it open; else nullptr.
  using Opened = std::function<const Reading*(const std::string& path)>;

  // What lies outside its list among the numbers of the source at `path`, read as `reading`.
  std::vector<Finding> findings(const std::string& path, const Reading& reading,
                                const Opened& opened);

  // Whether the sources of `kind` give a list that other kinds index.
  static bool gives_list(const Kind& kind);

 private:
  struct OnDisk {
    std::int64_t modified;
    Provided provided;
    ListsHeard lists;
  };
  // The source at `path`, of `kind`, as it is on disk; nullptr when it cannot be read.
  const OnDisk* on_disk(const std::string& path, const Kind& kind);

  std::map<std::string, OnDisk> disk_;  // by path
};

// The folder of `path`, with its '/' (empty for a path without one).
std::string folder_of(const std::string& path);
// The bytes of the file at `path`; false when it cannot be read.
bool read_file(const std::string& path, std::string& bytes);

}  // namespace kelv::lsp
