// What ties a source to other files, as a reading meets it: the lines that give the count of a
// list, the numbers that index the list of another kind (a shop's items, a scene's people), and
// the lines of the sections whose values carry over to the next file of the kind. Findings are no
// part of it: a LinkListener hears only what is there; inspect/references.h compares the numbers
// with the lists once every file of a folder is read, inspect/carry_over.h tells where values
// carried from a file of another folder.
#pragma once

#include <cstdint>
#include <string_view>

#include "format/line_format.h"
#include "format/walk_listener.h"

namespace kelv {

class LinkListener {
 public:
  virtual ~LinkListener() = default;
  // A line of the count section `section` (the empty line after a final line feed is none).
  virtual void count_line(std::uint32_t line, std::string_view section) = 0;
  // The value `value` of a line of `section` holds `number`, an index into the list
  // `value.refers` of another kind.
  virtual void reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                         std::int32_t number) = 0;
  // A line of `section`, whose values carry over to the next file of the kind in the run (the
  // empty line after a final line feed is none).
  virtual void carried_line(std::uint32_t line, std::string_view section) {
    (void)line;
    (void)section;
  }
  // Who hears what each line was taken as (format/walk_listener.h), where anyone does: asked
  // once, when a reading begins.
  virtual WalkListener* walk_listener() { return nullptr; }
};

// The default: hears nothing.
class NoLinks final : public LinkListener {
 public:
  void count_line(std::uint32_t, std::string_view) override {}
  void reference(std::uint32_t, std::string_view, const ValueShape&, std::int32_t) override {}
};

// A listener for readings whose links nobody wants.
inline LinkListener& no_links() {
  static NoLinks none;
  return none;
}

}  // namespace kelv
