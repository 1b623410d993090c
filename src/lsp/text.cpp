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

std::string to_shift_jis(std::string_view utf8, std::vector<Unencodable>& unencodable) {
  std::string out;
  if (is_ascii(utf8)) return std::string(utf8);  // code page 932 keeps ASCII as it is
  if (utf8_to_sjis(utf8, out)) return out;
  out.clear();
  std::string one;
  for (std::size_t at = 0; at < utf8.size();) {
    const Decoded d = decode(utf8, at);
    one.clear();
    if (d.code < 0x80) {
      one.assign(1, static_cast<char>(d.code));
    } else if (!utf8_to_sjis(utf8.substr(at, d.length), one)) {
      unencodable.push_back({at, at + d.length, d.code});
      one.assign(1, '?');
    }
    out += one;
    at += d.length;
  }
  return out;
}

bool LineCursor::step(Place& next) const {
  if (at_.utf8 >= utf8_.size() || at_.sjis >= sjis_.size()) return false;
  const Decoded d = decode(utf8_, at_.utf8);
  next.utf8 = at_.utf8 + d.length;
  next.sjis = at_.sjis + (is_sjis_lead(sjis_[at_.sjis]) && at_.sjis + 1 < sjis_.size() ? 2 : 1);
  next.column = at_.column + static_cast<std::uint32_t>(width(d, encoding_));
  return true;
}

Place LineCursor::at_sjis(std::size_t byte) {
  // ASCII is the same byte in both texts, and one column in either count.
  while (at_.sjis < byte && at_.utf8 < utf8_.size() && at_.sjis < sjis_.size() &&
         static_cast<unsigned char>(utf8_[at_.utf8]) < 0x80) {
    ++at_.utf8;
    ++at_.sjis;
    ++at_.column;
  }
  for (Place next; step(next) && next.sjis <= byte;)
    at_ = next;
  return at_;
}

Place LineCursor::at_column(std::size_t column) {
  for (Place next; step(next) && next.column <= column;)
    at_ = next;
  return at_;
}

}  // namespace kelv::lsp
