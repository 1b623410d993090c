// The scanf subset the source formats use: "%d" (int32), "%f" (32-bit float), "%s" (one word
// into a fixed-size field) and spaces, which skip any white space. A line is scanned by its line
// format (format/line_format.h), whose values name their targets, kinds and sizes. Scanning
// follows scanf's rules: it stops at the first conversion that does not match and leaves the
// targets of that and every later conversion as they were. It never reads a locale and never
// writes past a field: a word longer than its field is cut to the field size minus one, and the
// rest of the field is zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "format/line_format.h"
#include "format/text.h"

namespace kelv {

namespace scan_detail {

using Kind = ValueKind;

struct Target {
  Kind kind;  // Int, Real or Word
  void* place;
  std::size_t size;  // words: the field size
  // Numbers: this many, each after white space, into the array that starts at `place`.
  std::size_t count = 1;
};

}  // namespace scan_detail

struct ScanResult {
  int matched = 0;  // conversions that matched, in order
  int wanted = 0;   // conversions in the format
  bool word_cut = false;
  std::size_t cut_field = 0;   // size of the field a word was cut to fit
  int cut_value = 0;           // the 0-based conversion of the first word cut
  bool wrapped = false;        // an integer did not fit 32 bits and was wrapped
  int wrapped_value = 0;       // the 0-based conversion of the first integer wrapped
  std::size_t stopped_at = 0;  // where the first conversion that did not match looked
  // A number read ended where its word goes on ("1.5" read as the integer 1): without one, every
  // number's word was read whole.
  bool ragged = false;

  bool complete() const { return matched == wanted; }
};

// Scans the targets one after the other, each after any white space: what a format of
// conversions separated by spaces does.
ScanResult scan_targets(std::string_view line, std::span<const scan_detail::Target> targets);

// Whether the field of `value` at `place` holds what a new record holds when no line reaches it:
// 0 (1 for a value stored plus one), 0.0, an empty text.
bool as_new(const ValueShape& value, const void* place);

// After a scan: what the way a value is stored does to the field it fills.
void apply_stored(const ValueShape& value, void* field, bool scanned);

// Scans a line by its line format into `record`, each value stored as its shape says. A
// whole-line text is copied, not scanned (cut to its field: `word_cut` tells).
template <class R, std::size_t N>
ScanResult scan_line(std::string_view line, const LineFormat<R, N>& format, R& record) {
  if constexpr (N == 1) {
    if (format.shapes[0].kind == ValueKind::Text) {
      ScanResult r{1, 1};
      const std::span<char> field(static_cast<char*>(format.values[0].place(record)),
                                  format.shapes[0].size);
      if (!copy_text(field, line)) {
        r.word_cut = true;
        r.cut_field = field.size();
      }
      apply_stored(format.shapes[0], field.data(), true);
      return r;
    }
  }
  // The numbers of an array, one after the other on the line, are scanned as one target.
  std::array<scan_detail::Target, N> targets{};
  std::size_t n = 0;
  std::array<std::size_t, N> stored{};  // the values stored other than as read
  std::size_t changed = 0;
  for (std::size_t i = 0; i < N; ++i) {
    const ValueShape& s = format.shapes[i];
    if (s.stored != Stored::AsRead) stored[changed++] = i;
    if (n > 0 && format.values[i].follows) {
      ++targets[n - 1].count;
    } else {
      targets[n++] = {s.kind, format.values[i].place(record), s.size};
    }
  }
  const ScanResult r = scan_targets(line, {targets.data(), n});
  for (std::size_t k = 0; k < changed; ++k) {
    const std::size_t i = stored[k];
    apply_stored(format.shapes[i], format.values[i].place(record),
                 static_cast<int>(i) < r.matched);
  }
  return r;
}

// The white space of scanf: space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool is_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace kelv
