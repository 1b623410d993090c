// The author's names for values: "names.txt" in a game folder, in the tagged format the sources
// use, one section per kind and one line per value:
//
//   <item_list>
//   value2 price 値段
//   text description
//   </item_list>
//
// A line gives the value's name as --explain gives it (or SECTION.VALUE where a kind has a value
// of that name in more than one section), the author's name for it, and a description. The words
// of --explain, of the findings and of the text dump show the author's names beside the format's
// (the JSON dump adds them as labels); no output byte changes.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "convert/catalog.h"
#include "format/line_format.h"
#include "format/line_reader.h"
#include "format/links.h"

namespace kelv {

class Diagnostics;

inline constexpr std::string_view kNamesFile = "names.txt";

struct AuthorName {
  std::string label;        // UTF-8
  std::string description;  // UTF-8; may be empty
};

class Names {
 public:
  // The author's name for the value `value` of `section` of `kind`; nullptr where none is given.
  const AuthorName* find(std::string_view kind, std::string_view section,
                         std::string_view value) const;
  bool empty() const { return names_.empty(); }
  // Whether some value of `kind` is given a name.
  bool names_kind(std::string_view kind) const;

  // Reads a names file: what its lines say, and what is wrong in it told to `findings`, where
  // given (tags, values that no section of the kind has, lines without a name); `links` hears
  // what the walk took each line as, where it asks to.
  static Names read(ByteSource& source, Diagnostics* findings = nullptr,
                    LinkListener& links = no_links());
  // The vocabulary of a names file: one section per kind.
  static const Vocabulary& vocabulary();

 private:
  std::map<std::string, AuthorName, std::less<>> names_;  // by kind, section and value
};

// A value of a line of `section` of the kind `kind` as findings name it: "value3", with the
// author's name where `names` gives one.
std::string value_name(const ValueShape& value, std::string_view kind, std::string_view section,
                       const Names* names);

// A section of names.txt to start from for `kind`: every value of the kind, named as it is.
std::string names_template(const Kind& kind);

}  // namespace kelv
