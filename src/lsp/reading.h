// One reading of a document by the real reader: the converter of its kind reads its Shift-JIS
// bytes as a conversion does, and what the reading gives is kept for every answer about that
// text until the editor changes it:
//
//   - the findings, typed values as --check makes them (inspect/finding.h);
//   - what the walk took each line as (format/walk_listener.h): a tag, a data line of a section
//     with the record it filled, a line outside every section;
//   - the numbers that index the lists of other kinds, and the list the source itself gives,
//     for the checks across the files of its folder (inspect/references.h).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "format/walk_listener.h"
#include "inspect/finding.h"
#include "inspect/names.h"
#include "inspect/references.h"
#include "lsp/document.h"

namespace kelv::lsp {

// What a document is: a source of one kind, or the author's names file.
struct Subject {
  const Kind* kind = nullptr;  // nullptr: the names file

  const Vocabulary& vocabulary() const {
    return kind != nullptr ? kind->vocabulary() : Names::vocabulary();
  }
  std::string_view name() const { return kind != nullptr ? kind->name() : "names"; }
};

// The sections of a vocabulary by number, as the walk numbers them: their 1-based place in the
// groups taken one after the other.
struct Numbered {
  explicit Numbered(const Vocabulary& vocabulary);
  const SectionShape& operator[](int number) const { return *all[static_cast<std::size_t>(number)]; }
  std::size_t group_of(int number) const { return group[static_cast<std::size_t>(number)]; }
  std::vector<const SectionShape*> all;  // [0] is none
  std::vector<std::size_t> group;
};

class Reading {
 public:
  // Reads `document` as a source of `subject`, the author's `names` lending their names.
  Reading(const Document& document, const Subject& subject, const Names* names);

  // Every finding, sorted by place.
  const std::vector<Finding>& findings() const { return findings_; }
  // What each line was taken as, in line order.
  std::span<const Taken> uses() const { return uses_; }
  // The first use of the piece of a reader line that holds `place`; nullptr past the last.
  const Taken* use_at(const ReaderPlace& place) const;
  // The section open where the reader line `line` begins (0: none).
  int open_before(std::uint32_t line) const;
  // The numbers that index other lists, and where the source gives its own list's count.
  const ListsHeard& lists() const { return lists_; }
  // The list the source gives other kinds, as its data file would hold it.
  const Provided& provided() const { return provided_; }

 private:
  std::vector<Finding> findings_;
  std::vector<Taken> uses_;
  ListsHeard lists_;
  Provided provided_;
};

}  // namespace kelv::lsp
