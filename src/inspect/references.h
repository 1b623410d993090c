// Numbers that index another kind's list (a shop's items, a scene's people, treasures and
// music), checked against the lists of the same game folder. The engine's numbering (from 0 or
// from 1) is its own: only what is wrong under either is told, a negative number or one greater
// than the list's count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "format/links.h"
#include "inspect/finding.h"

namespace kelv {

class Names;

// What the reading of one source heard of lists: where it gives its own list's count, and its
// numbers that index other lists.
class ListsHeard final : public LinkListener {
 public:
  // A source of the kind named `kind`, read by the sections of `vocabulary`; `names`, where
  // given, are the author's names for the kind's values.
  ListsHeard(const Vocabulary& vocabulary, std::string_view kind, const Names* names);

  void count_line(std::uint32_t line, std::string_view section) override;
  void reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                 std::int32_t number) override;

  // A number of the source that indexes another kind's list: its value of its section's line.
  struct Reference {
    std::uint32_t line;
    std::int32_t value;
    ListId list;
    const ValueShape* shape;
    std::string_view section;
    // As a finding names it, where the author named it: the names may be gone by then. Else
    // empty, and named from the shape when a finding needs it.
    std::string value_name;
  };
  const std::vector<Reference>& references() const { return references_; }
  // The line of the last count line of the source's first count section (0: none): where a
  // list that other kinds index gives its size.
  std::uint32_t count_line() const { return count_line_; }
  // The kind of the source.
  std::string_view kind() const { return kind_; }

 private:
  std::string_view kind_;
  const Names* names_;
  std::vector<Reference> references_;
  std::string_view first_count_;  // the name of the first count section, if any
  std::uint32_t count_line_ = 0;
};

class References {
 public:
  // The source at `path`, one of the folder `folder`: the list its data file holds (none where
  // nothing is written for it), and what its reading heard.
  void add(std::string_view folder, const std::string& path, const Provided& provided,
           const ListsHeard& heard);

  // What lies outside its list, folder by folder in the order they came.
  std::vector<Finding> findings() const;

 private:
  struct List {
    std::string path;
    std::int64_t size;
    std::uint32_t line;
  };
  // A source with references, and its kind.
  struct Source {
    std::string path;
    std::string_view kind;
  };
  struct Referring {
    std::size_t source;  // in the folder's sources
    ListsHeard::Reference reference;
  };
  struct Folder {
    std::string name;
    std::map<ListId, List> lists;
    std::vector<Source> sources;
    std::vector<Referring> references;
  };
  Folder& folder_named(std::string_view name);

  std::vector<Folder> folders_;
};

}  // namespace kelv
