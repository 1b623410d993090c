#include "inspect/finding.h"

#include <algorithm>
#include <utility>

namespace kelv {

std::string printed(const Finding& f) {
  // "warning:" and the kind stay as they are in every language: editors and build tools read
  // them, the line and column too.
  std::string out = f.path + ":";
  if (f.line > 0) out += std::to_string(f.line) + ":";
  if (!f.columns.whole_line()) out += std::to_string(f.columns.begin) + ":";
  out += " warning: ";
  out += f.message;
  out += " [";
  out += f.kind->id;
  out += "]";
  return out;
}

void sort_by_place(std::vector<Finding>& findings) {
  std::ranges::stable_sort(findings, {},
                           [](const Finding& f) { return std::pair(f.line, f.columns.begin); });
}

}  // namespace kelv
