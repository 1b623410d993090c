// What finds a name its author probably meant: names compared without case, and how many letters
// two names are apart. One measure serves every name an author types: files, options, kinds and
// the values of names.txt.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelv {

// `s` with its ASCII capitals made small; other bytes (Shift-JIS among them) stay as they are.
inline std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// How many bytes must be put in, taken out or changed to make `a` into `b` (Levenshtein).
inline std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// Whether `typed` was probably meant as `name`: the same but for case, or a letter off (two for
// names of ten letters or more).
inline bool meant_as(std::string_view typed, std::string_view name) {
  return edit_distance(lowered(typed), name) <= (name.size() >= 10 ? 2 : 1);
}

// Of `names` (strings or string views), the one `typed` was most probably meant as: the nearest
// of those it was meant_as, the first of equals; empty when none.
template <class Names>
std::string nearest_meant(std::string_view typed, const Names& names) {
  std::string best;
  std::size_t best_distance = 0;
  const std::string low = lowered(typed);
  for (const auto& n : names) {
    const std::string_view name(n);
    if (!meant_as(typed, name)) continue;
    const std::size_t d = edit_distance(low, name);
    if (best.empty() || d < best_distance) {
      best = std::string(name);
      best_distance = d;
    }
  }
  return best;
}

}  // namespace kelv
