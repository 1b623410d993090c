// Where the values of a data line lie, as the scanner reads them by the line's format: each
// value's bytes, whether it was read, and where the scan stopped. The scanner itself fills
// record fields and tells only where it stopped; this asks it value by value, from where the
// last value ended, which is how a scan of them all goes (each conversion skips white space and
// reads on from where the one before it stopped). For a program that shows a line as the reader
// reads it (the language server); the converters never ask.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "format/line_format.h"

namespace kelv {

// Bytes `begin` to `end` (the byte after the last) of a line, from 0.
struct ValueSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  // False for the value where the scan stopped: its span is the word there (empty at the
  // line's end), and the values after it are not read at all.
  bool read = true;
};

struct LineSpans {
  // The values read, in line order, then the one where the scan stopped, if it stopped.
  std::vector<ValueSpan> values;
  // Where the scan stopped: after the last value read, or at the one it could not read.
  std::size_t stopped_at = 0;
};

// The values of `line` read by the line format `values` (a whole-line text takes the line).
LineSpans value_spans(std::string_view line, std::span<const ValueShape> values);

// The word of `text` that starts at `at` (a Shift-JIS character is never split); a full-width
// blank there is a word of its own. What a finding points at where a scan stopped.
std::string_view word_at(std::string_view text, std::size_t at);

}  // namespace kelv
