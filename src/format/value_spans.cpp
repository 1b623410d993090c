#include "format/value_spans.h"

#include <algorithm>
#include <cstdint>

#include "format/scan.h"
#include "format/tags.h"

namespace kelv {

LineSpans value_spans(std::string_view line, std::span<const ValueShape> values) {
  LineSpans out;
  if (values.size() == 1 && values[0].kind == ValueKind::Text) {
    out.values.push_back({0, line.size()});
    out.stopped_at = line.size();
    return out;
  }
  // A place for whatever a value is: a number, or a word as long as the longest field.
  std::uint32_t longest = 4;
  for (const ValueShape& v : values)
    longest = std::max(longest, v.size);
  std::vector<char> place(longest);
  std::size_t at = 0;
  for (const ValueShape& v : values) {
    const scan_detail::Target target{v.kind, place.data(),
                                     v.kind == ValueKind::Word ? v.size : std::size_t{4}};
    const ScanResult r = scan_targets(line.substr(at), {&target, 1});
    if (!r.complete()) {
      // It looked where the white space before the value ends.
      at += r.stopped_at;
      out.values.push_back({at, at + word_at(line, at).size(), false});
      break;
    }
    std::size_t begin = at;
    while (begin < line.size() && is_space(line[begin]))
      ++begin;
    at += r.stopped_at;
    out.values.push_back({begin, at});
  }
  out.stopped_at = at;
  return out;
}

std::string_view word_at(std::string_view text, std::size_t at) {
  text.remove_prefix(at);
  if (text.starts_with(kWideBlank)) return text.substr(0, kWideBlank.size());
  std::size_t n = 0;
  while (n < text.size() && !is_space(text[n]))
    n += is_sjis_lead(text[n]) && n + 1 < text.size() ? 2 : 1;
  return text.substr(0, n);
}

}  // namespace kelv
