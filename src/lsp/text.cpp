#include "lsp/text.h"

#include <algorithm>

#include "format/text.h"
#include "platform/platform.h"

namespace kelv::lsp {

Decoded decode(std::string_view s, std::size_t at) {
  const auto b = static_cast<unsigned char>(s[at]);
  if (b < 0x80) return {b, 1};
  const std::size_t n = b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (n == 0 || at + n > s.size()) return {b, 1};
  char32_t code = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[at + k]);
    if ((c & 0xC0) != 0x80) return {b, 1};
    code = (code << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and code points beyond Unicode are no characters.
  const bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
  if (overlong || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return {b, 1};
  return {code, n};
}

namespace {

std::size_t width(const Decoded& d, Encoding encoding) {
  if (encoding == Encoding::Utf8) return d.length;
  return d.code >= 0x10000 ? 2 : 1;
}

bool is_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::size_t columns(std::string_view utf8, Encoding encoding) {
  if (encoding == Encoding::Utf8) return utf8.size();
  std::size_t n = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const Decoded d = decode(utf8, at);
    n += width(d, encoding);
    at += d.length;
  }
  return n;
}

std::size_t offset_of(std::string_view line, std::size_t column, Encoding encoding) {
  std::size_t at = 0;
  for (std::size_t n = 0; at < line.size();) {
    const Decoded d = decode(line, at);
    n += width(d, encoding);
    if (n > column) break;
    at += d.length;
  }
  return at;
}

ShiftJisLine::ShiftJisLine(std::string_view utf8, std::uint32_t line,
                           std::vector<Unencodable>& unencodable)
    : utf8_(utf8) {
  if (is_ascii(utf8)) {  // the same bytes in both: code page 932 keeps ASCII as it is
    bytes_ = utf8;
    return;
  }
  const bool whole = utf8_to_sjis(utf8, bytes_);
  std::string one;
  std::size_t sjis = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const Decoded d = decode(utf8, at);
    starts_.emplace_back(static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(sjis));
    if (whole) {
      // Every character is one Shift-JIS character, whose lead byte says its length.
      sjis += sjis < bytes_.size() && is_sjis_lead(bytes_[sjis]) ? 2 : 1;
    } else {
      one.clear();
      if (d.code < 0x80) {
        one.assign(1, static_cast<char>(d.code));
      } else if (!utf8_to_sjis(utf8.substr(at, d.length), one)) {
        unencodable.push_back({line, at, at + d.length, d.code});
        one.assign(1, '?');
      }
      bytes_ += one;
      sjis += one.size();
    }
    at += d.length;
  }
  starts_.emplace_back(static_cast<std::uint32_t>(utf8.size()),
                       static_cast<std::uint32_t>(std::min(sjis, bytes_.size())));
}

std::size_t ShiftJisLine::utf8_offset(std::size_t column) const {
  if (starts_.empty()) return std::min(column, utf8_.size());
  // The last character that begins at or before the column.
  auto it = std::upper_bound(starts_.begin(), starts_.end(), column,
                             [](std::size_t c, const auto& s) { return c < s.second; });
  return it == starts_.begin() ? 0 : std::prev(it)->first;
}

std::size_t ShiftJisLine::sjis_column(std::size_t offset) const {
  if (starts_.empty()) return std::min(offset, bytes_.size());
  auto it = std::upper_bound(starts_.begin(), starts_.end(), offset,
                             [](std::size_t o, const auto& s) { return o < s.first; });
  return it == starts_.begin() ? 0 : std::prev(it)->second;
}

}  // namespace kelv::lsp
