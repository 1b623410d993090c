#include "inspect/shown_text.h"

#include "format/text.h"
#include "platform/platform.h"

namespace kelv {
namespace {

constexpr char kDigits[] = "0123456789abcdef";

std::string escaped(unsigned char b) {
  return std::string("\\x") + kDigits[b >> 4] + kDigits[b & 15];
}

// Walks the text: ASCII bytes go to `ascii`, characters beyond ASCII are decoded in runs, and a
// byte that does not decode goes to `bad`.
template <class Ascii, class Bad>
void walk(std::string_view s, std::string& out, Ascii&& ascii, Bad&& bad) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ascii(s[i++]);
      continue;
    }
    // A run of characters beyond ASCII, decoded in one call where it can be.
    std::size_t end = i;
    while (end < s.size() && static_cast<unsigned char>(s[end]) >= 0x80)
      end += is_sjis_lead(s[end]) && end + 1 < s.size() ? 2 : 1;
    if (sjis_to_utf8(s.substr(i, end - i), out)) {
      i = end;
      continue;
    }
    // Else character by character; a lead byte whose pair does not decode stands alone.
    while (i < end && i < s.size()) {
      const std::size_t n = is_sjis_lead(s[i]) && i + 1 < s.size() ? 2 : 1;
      if (sjis_to_utf8(s.substr(i, n), out)) {
        i += n;
      } else {
        bad(static_cast<unsigned char>(s[i]));
        ++i;
      }
    }
  }
}

}  // namespace

std::string quoted(std::string_view sjis, bool breaks) {
  std::string out = "\"";
  walk(
      sjis, out,
      [&](char c) {
        switch (c) {
          case '"':
            out += "\\\"";
            break;
          case '\\':
            out += "\\\\";
            break;
          case '\n':
            out += breaks ? "#" : "\\n";
            break;
          case '#':
            out += breaks ? "\\#" : "#";
            break;
          case '\r':
            out += "\\r";
            break;
          case '\t':
            out += "\\t";
            break;
          default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
              out += escaped(static_cast<unsigned char>(c));
            } else {
              out += c;
            }
        }
      },
      [&](unsigned char b) { out += escaped(b); });
  out += '"';
  return out;
}

std::string plain(std::string_view sjis, bool& exact) {
  exact = true;
  std::string out;
  walk(
      sjis, out, [&](char c) { out += c; },
      [&](unsigned char) {
        out += "\xEF\xBF\xBD";
        exact = false;
      });
  return out;
}

std::string hex(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace kelv
