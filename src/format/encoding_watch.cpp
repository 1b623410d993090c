#include "format/encoding_watch.h"

namespace kelv {

void EncodingWatch::line(std::string_view text, std::uint32_t number, Report& report) {
  if (number == 1 && text.starts_with("\xEF\xBB\xBF")) {
    report.note({1, seen::Utf8Mark{}});
    text.remove_prefix(3);  // told already; the rest of the file may still look like UTF-8
  }
  // A carriage return that ends the line is the text's own (the decompiler writes one so); one
  // with more of the line after it joined two lines.
  if (const std::size_t cr = text.find('\r');
      !cr_told_ && cr != std::string_view::npos && cr + 1 < text.size()) {
    report.note({number, seen::LoneCr{}});
    cr_told_ = true;
  }
  if (utf8_ && breaks_utf8(text, number)) utf8_ = false;
}

bool EncodingWatch::breaks_utf8(std::string_view text, std::uint32_t number) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = b >= 0xF0 && b <= 0xF4  ? 4
                          : b >= 0xE0             ? 3
                          : b >= 0xC2 && b < 0xE0 ? 2
                                                  : 0;
    bool valid = n != 0 && i + n <= text.size();
    for (std::size_t k = 1; valid && k < n; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!valid) return true;
    if (first_ == 0) first_ = number;
    i += n;
  }
  return false;
}

void EncodingWatch::end(Report& report) const {
  if (utf8_ && first_ != 0) report.note({first_, seen::LooksUtf8{}});
}

}  // namespace kelv
