// Tag lines: "<name>" opens a section, "</name>" closes it, exactly so, with nothing around
// them. And what looks like a tag to an author but is none to the read rules.
#pragma once

#include <string>
#include <string_view>

#include "format/scan.h"
#include "format/text.h"

namespace kelv {

// The tag "<name>", or "</name>" when `closing`.
inline std::string tag_of(std::string_view name, bool closing = false) {
  std::string tag(closing ? "</" : "<");
  tag += name;
  tag += '>';
  return tag;
}

inline bool is_open_tag(std::string_view line, std::string_view name) {
  return line.size() == name.size() + 2 && line.front() == '<' && line.back() == '>' &&
         line.substr(1, name.size()) == name;
}

inline bool is_close_tag(std::string_view line, std::string_view name) {
  return line.size() == name.size() + 3 && line[0] == '<' && line[1] == '/' && line.back() == '>' &&
         line.substr(2, name.size()) == name;
}

// The Shift-JIS full-width blank, which looks like a blank and is none to the read rules.
inline constexpr std::string_view kWideBlank = "\x81\x40";

// `line` without the blanks around it, full-width ones too.
inline std::string_view without_blanks(std::string_view line) {
  for (bool more = true; more;) {
    more = false;
    while (!line.empty() && is_space(line.front()))
      line.remove_prefix(1), more = true;
    while (!line.empty() && is_space(line.back()))
      line.remove_suffix(1), more = true;
    if (line.starts_with(kWideBlank)) line.remove_prefix(2), more = true;
    if (line.ends_with(kWideBlank) && !ends_in_half_character(line.substr(0, line.size() - 2)))
      line.remove_suffix(2), more = true;
  }
  return line;
}

// "<...>" give or take blanks: worth a word when nothing recognised it.
inline bool looks_like_tag(std::string_view line) {
  line = without_blanks(line);
  return line.size() >= 3 && line.front() == '<' && line.back() == '>';
}

}  // namespace kelv
