// Numbers that index another kind's list (a shop's items, a scene's people, treasures and
// music), checked against the lists of the same game folder. The engine's numbering (from 0 or
// from 1) is its own: only what is wrong under either is told, a negative number or one greater
// than the list's count.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "convert/converter.h"
#include "inspect/diagnostics.h"

namespace kelv {

class References {
 public:
  // The list the data file of the source at `path` holds, whose count is at `line`.
  void list(const std::string& path, const Provided& provided, std::uint32_t line);
  // The numbers of the source at `path` that index lists.
  void refer(const std::string& path, const std::vector<Diagnostics::Reference>& references);

  // What lies outside its list, as findings ("PATH:LINE: warning: MESSAGE [reference]"), folder
  // by folder in the order they came.
  std::vector<std::string> findings() const;

 private:
  struct List {
    std::string path;
    std::int64_t size;
    std::uint32_t line;
  };
  struct Referring {
    std::string path;
    Diagnostics::Reference reference;
  };
  struct Folder {
    std::string name;
    std::map<ListId, List> lists;
    std::vector<Referring> references;
  };
  Folder& folder_of(const std::string& path);

  std::vector<Folder> folders_;
};

}  // namespace kelv
