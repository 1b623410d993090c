#include "format/line.h"

#include "format/value_spans.h"

namespace kelv {

ScanResult Line::scan_number(std::int32_t& v, const ValueShape& shape) const {
  const scan_detail::Target t{ValueKind::Int, &v, sizeof v};
  const ScanResult r = scan_targets(text_, {&t, 1});
  if (!r.complete()) {
    stopped(r.stopped_at, {&shape, 1}, 0, false);
  } else {
    extra_values(r.stopped_at, 1, shape, {});
  }
  if (r.wrapped) note(seen::NumberWrapped{&shape, 0});
  return r;
}

void Line::stopped(std::size_t at, std::span<const ValueShape> values, std::size_t matched,
                   bool unreached_as_new) const {
  const std::string_view rest = text_.substr(at);
  note(seen::ScanStopped{values, matched, rest, record_, unreached_as_new},
       Columns::of(text_, word_at(text_, at)));
}

void Line::extra_values(std::size_t from, std::size_t values, const ValueShape& last,
                        std::string_view taken) const {
  while (from < text_.size() && is_space(text_[from]))
    ++from;
  if (from == text_.size()) return;
  std::string_view rest = text_.substr(from);
  while (!rest.empty() && is_space(rest.back()))
    rest.remove_suffix(1);
  note(seen::ExtraValues{values, rest, &last, taken}, Columns::of(text_, rest));
}

}  // namespace kelv
