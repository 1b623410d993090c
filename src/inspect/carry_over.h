// Values that carry over from one file of a kind to the next in a run, as the format has them
// (the folder names, the title menu, save_max, ...: the sections --explain says are kept): the
// bytes stay as the format makes them, but values that a file of one folder takes from a file of
// another (two games converted in one run) are surely not meant, and are told.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/catalog.h"
#include "format/links.h"
#include "inspect/finding.h"

namespace kelv {

// The sections of a vocabulary whose values carry over to the next file of the kind.
std::vector<const SectionShape*> carried_sections(const Vocabulary& vocabulary);

// What one reading gave of the carried sections, heard on its way to `next`, which hears every
// link as it would have.
class CarriedHeard final : public LinkListener {
 public:
  explicit CarriedHeard(LinkListener& next) : next_(next) {}

  void count_line(std::uint32_t line, std::string_view section) override {
    next_.count_line(line, section);
  }
  void reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                 std::int32_t number) override {
    next_.reference(line, section, value, number);
  }
  void carried_line(std::uint32_t line, std::string_view section) override {
    given_.try_emplace(section, line);
  }

  // The first line of each carried section the reading gave, by section.
  const std::map<std::string_view, std::uint32_t>& given() const { return given_; }

 private:
  LinkListener& next_;
  std::map<std::string_view, std::uint32_t> given_;
};

class CarryOver {
 public:
  // The source at `path` in `folder`, of `kind`, whose reading gave `heard`: what it takes from
  // files of other folders, one finding for each such file.
  std::vector<Finding> add(const Kind& kind, std::string_view folder, const std::string& path,
                           const CarriedHeard& heard);

 private:
  // The file that last gave a carried section's values, and where.
  struct Giver {
    std::string path;
    std::string folder;
    std::uint32_t line;
  };
  std::map<std::pair<const Kind*, std::string_view>, Giver> last_;  // by kind and section
};

}  // namespace kelv
