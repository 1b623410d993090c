#include "format/scan.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "format/text.h"

namespace kelv {
namespace {

using scan_detail::Kind;
using scan_detail::Target;

class Cursor {
 public:
  explicit Cursor(std::string_view s) : s_(s) {}
  bool done() const { return i_ == s_.size(); }
  char peek(std::size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }
  bool has(std::size_t ahead) const { return i_ + ahead < s_.size(); }
  void skip_space() {
    while (!done() && is_space(s_[i_]))
      ++i_;
  }
  std::size_t pos() const { return i_; }
  void advance(std::size_t n) { i_ += n; }
  std::string_view from(std::size_t start) const { return s_.substr(start, i_ - start); }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// "%d": an optionally signed decimal integer; digits beyond 32 bits wrap modulo 2^32.
bool scan_int(Cursor& in, std::int32_t& out, bool& wrapped) {
  std::size_t k = 0;
  const bool negative = in.peek() == '-';
  if (in.peek() == '+' || negative) k = 1;
  if (!is_digit(in.peek(k))) return false;
  std::uint64_t value = 0;
  bool big = false;
  while (is_digit(in.peek(k))) {
    value = value * 10 + static_cast<unsigned>(in.peek(k) - '0');
    if (value > 0xFFFFFFFFu) {
      big = true;
      value &= 0xFFFFFFFFu;
    }
    ++k;
  }
  in.advance(k);
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  const std::int64_t as_signed =
      negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  if (big || as_signed > std::numeric_limits<std::int32_t>::max() ||
      as_signed < std::numeric_limits<std::int32_t>::min()) {
    wrapped = true;
  }
  out = static_cast<std::int32_t>(bits);
  return true;
}

bool starts_with_nocase(const Cursor& in, std::size_t at, std::string_view word) {
  for (std::size_t j = 0; j < word.size(); ++j) {
    char c = in.peek(at + j);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!in.has(at + j) || c != word[j]) return false;
  }
  return true;
}

// "%f": the longest prefix that is a decimal real number (digits, an optional point and
// fraction, an optional exponent), or inf, infinity or nan; rounded to the nearest float.
bool scan_real(Cursor& in, float& out) {
  std::size_t k = 0;
  bool negative = false;
  if (in.peek() == '+' || in.peek() == '-') {
    negative = in.peek() == '-';
    k = 1;
  }
  const std::size_t body = k;
  if (starts_with_nocase(in, k, "inf") || starts_with_nocase(in, k, "nan")) {
    const bool nan = starts_with_nocase(in, k, "nan");
    k += starts_with_nocase(in, k, "infinity") ? 8 : 3;
    in.advance(k);
    const float v =
        nan ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    out = negative ? -v : v;
    return true;
  }
  std::size_t digits = 0;
  // Decimal order of the first nonzero digit, to tell overflow from underflow.
  std::int64_t order = 0;
  bool seen_nonzero = false;
  while (is_digit(in.peek(k))) {
    if (in.peek(k) != '0') seen_nonzero = true;
    if (seen_nonzero) ++order;
    ++k;
    ++digits;
  }
  if (in.peek(k) == '.') {
    std::size_t f = k + 1;
    while (is_digit(in.peek(f))) {
      if (!seen_nonzero) {
        if (in.peek(f) != '0')
          seen_nonzero = true;
        else
          --order;
      }
      ++f;
      ++digits;
    }
    if (digits > 0) k = f;
  }
  if (digits == 0) return false;
  if (in.peek(k) == 'e' || in.peek(k) == 'E') {
    std::size_t e = k + 1;
    bool exp_negative = false;
    if (in.peek(e) == '+' || in.peek(e) == '-') {
      exp_negative = in.peek(e) == '-';
      ++e;
    }
    if (is_digit(in.peek(e))) {
      std::int64_t exponent = 0;
      while (is_digit(in.peek(e))) {
        if (exponent < 100000000) exponent = exponent * 10 + (in.peek(e) - '0');
        ++e;
      }
      order += exp_negative ? -exponent : exponent;
      k = e;
    }
  }
  const std::size_t start = in.pos();
  in.advance(k);
  const std::string_view number = in.from(start).substr(body);
  float value = 0.0f;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    value = order > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  (void)ptr;
  out = negative ? -value : value;
  return true;
}

// "%s": one word. A Shift-JIS lead byte takes the next byte with it, so a double-byte
// character is never split and never ends the word.
bool scan_word(Cursor& in, const Target& t, bool& cut) {
  if (in.done()) return false;
  const std::size_t start = in.pos();
  while (!in.done() && !is_space(in.peek())) {
    in.advance(is_sjis_lead(in.peek()) && in.has(1) ? 2 : 1);
  }
  const std::string_view word = in.from(start);
  auto* field = static_cast<char*>(t.place);
  const std::size_t n = std::min(word.size(), t.size - 1);
  std::memcpy(field, word.data(), n);
  std::memset(field + n, 0, t.size - n);
  cut = n < word.size();
  return true;
}

}  // namespace

ScanResult scan_targets(std::string_view line, std::span<const Target> targets) {
  ScanResult result;
  result.wanted = static_cast<int>(targets.size());
  Cursor in(line);
  for (const Target& t : targets) {
    in.skip_space();
    result.stopped_at = in.pos();
    bool ok = false;
    bool wrapped = false;
    bool cut = false;
    switch (t.kind) {
      case Kind::Int:
        ok = scan_int(in, *static_cast<std::int32_t*>(t.place), wrapped);
        break;
      case Kind::Real:
        ok = scan_real(in, *static_cast<float*>(t.place));
        break;
      case Kind::Word:
      case Kind::Text:
        ok = scan_word(in, t, cut);
        break;
    }
    if (wrapped && !result.wrapped) {
      result.wrapped = true;
      result.wrapped_value = result.matched;
    }
    if (cut && !result.word_cut) {
      result.word_cut = true;
      result.cut_field = t.size;
      result.cut_value = result.matched;
    }
    if (!ok) break;
    ++result.matched;
  }
  if (result.complete()) result.stopped_at = in.pos();
  return result;
}

void apply_twist(const ValueShape& value, void* field, bool scanned) {
  switch (value.twist) {
    case Twist::None:
      break;
    case Twist::PlusOne: {
      // The engine's 32-bit arithmetic: 2147483647 + 1 wraps to -2147483648.
      auto* v = static_cast<std::int32_t*>(field);
      *v = static_cast<std::int32_t>(static_cast<std::uint32_t>(*v) + 1u);
      break;
    }
    case Twist::ZeroUnreached:
      if (!scanned) *static_cast<float*>(field) = 0.0f;
      break;
    case Twist::Breaks:
      for (char* c = static_cast<char*>(field); c != static_cast<char*>(field) + value.size; ++c) {
        if (*c == '\0') break;
        if (*c == '#') *c = '\n';
      }
      break;
  }
}

}  // namespace kelv
