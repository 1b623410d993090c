#include "format/line.h"

#include <algorithm>

#include "format/tags.h"
#include "format/value_spans.h"

namespace kelv {
namespace {

// Whether `word` is written as a value of the kind `kind` reads whole, so that the values after
// it start at the next word: an integer's digits, a real's, or any word.
bool read_whole(std::string_view word, ValueKind kind) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  switch (kind) {
    case ValueKind::Int:
      return !word.empty() && std::ranges::all_of(word, digit);
    case ValueKind::Real:
      return std::ranges::all_of(word, [&](char c) {
        return digit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
      });
    default:
      return true;
  }
}

// The Shift-JIS full-width number sign.
constexpr std::string_view kWideHash = "\x81\x94";

}  // namespace

// Called where a number's word was not read whole (ScanResult::ragged): no other line has one.
void Line::real_for_integer(std::span<const ValueShape> values, std::size_t matched) const {
  if (text_.find('.') == std::string_view::npos) return;
  std::size_t at = 0;
  for (std::size_t i = 0; i < matched && i < values.size(); ++i) {
    while (at < text_.size() && is_space(text_[at]))
      ++at;
    const std::string_view word = word_at(text_, at);
    if (values[i].kind == ValueKind::Int && !read_whole(word, ValueKind::Int)) {
      const std::size_t point = word.find('.');
      if (point != std::string_view::npos && point > 0 &&
          read_whole(word.substr(0, point), ValueKind::Int)) {
        note(seen::RealForInteger{values, i, word}, Columns::of(text_, word));
      }
      return;
    }
    if (!read_whole(word, values[i].kind)) return;  // the values after it start inside it
    at += word.size();
  }
}

void Line::breaks_in(const ValueShape& value, std::string_view held, std::size_t end) const {
  if (held.find(kWideHash) == std::string_view::npos) return;  // as most texts: no need to walk
  for (std::size_t i = 0; i + 1 < held.size(); i += is_sjis_lead(held[i]) ? 2 : 1) {
    if (held.substr(i, 2) != kWideHash) continue;
    // The value's bytes start where its word does, which ends at `end`.
    std::size_t start = end;
    if (value.kind == ValueKind::Word && end != kNowhere) {
      while (start > 0 && !is_space(text_[start - 1]))
        --start;
    } else if (end != kNowhere) {
      start = 0;
    }
    note(seen::WideHash{},
         start != kNowhere ? Columns::of(text_, text_.substr(start + i, 2)) : Columns{});
    return;
  }
}

ScanResult Line::scan_number(std::int32_t& v, const ValueShape& shape) const {
  const scan_detail::Target t{ValueKind::Int, &v, sizeof v};
  const ScanResult r = scan_targets(text_, {&t, 1});
  if (r.ragged) real_for_integer({&shape, 1}, static_cast<std::size_t>(r.matched));
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
