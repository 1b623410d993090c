#include "format/scan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#include "format/text.h"

namespace kelv {
namespace {

using scan_detail::Kind;
using scan_detail::Target;

// Bytes that end a word, and bytes that take the next one with them.
enum : unsigned char { kInWord = 0, kSpace = 1, kLead = 2 };
constexpr auto kByteClass = [] {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    classes[static_cast<std::size_t>(b)] = is_space(c) ? kSpace : is_sjis_lead(c) ? kLead : kInWord;
  }
  return classes;
}();

unsigned char class_of(char c) {
  return kByteClass[static_cast<unsigned char>(c)];
}

// The line as the scanner walks it: where it is and where the line ends.
struct Cursor {
  const char* at;
  const char* end;

  bool done() const { return at == end; }
  // The byte `ahead` bytes on, or NUL past the end (no value starts with a NUL).
  char peek(std::size_t ahead = 0) const {
    return static_cast<std::size_t>(end - at) > ahead ? at[ahead] : '\0';
  }
  void skip_space() {
    while (at != end && class_of(*at) == kSpace)
      ++at;
  }
};

bool is_digit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

// How many of the eight bytes of `x`, in memory order, are decimal digits before the first that
// is not. A byte is a digit when its high half is 3 and adding 6 leaves it so; a carry out of a
// byte that is no digit can only change the bytes after it.
unsigned leading_digits(std::uint64_t x) {
  constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0u;
  constexpr std::uint64_t kThrees = 0x3030303030303030u;
  const std::uint64_t off = ((x & kHigh) ^ kThrees) | (((x + 0x0606060606060606u) & kHigh) ^ kThrees);
  return off == 0 ? 8u : static_cast<unsigned>(std::countr_zero(off)) / 8u;
}

// The number that the first `n` bytes of `x` (1 to 8, all digits) spell, in memory order: the
// digits moved to the top as if zeros led them, then joined two, four and eight at a time.
std::uint32_t digits_value(std::uint64_t x, unsigned n) {
  std::uint64_t v = (x - 0x3030303030303030u) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  v = (((v & 0x000000FF000000FFu) * (100 + (std::uint64_t{1000000} << 32))) +
       (((v >> 16) & 0x000000FF000000FFu) * (1 + (std::uint64_t{10000} << 32)))) >>
      32;
  return static_cast<std::uint32_t>(v);
}

// "%d": an optionally signed decimal integer; digits beyond 32 bits wrap modulo 2^32.
bool scan_int(Cursor& in, std::int32_t& out, bool& wrapped) {
  const char* p = in.at;
  const bool negative = p != in.end && *p == '-';
  if (p != in.end && (*p == '+' || negative)) ++p;
  // One digit alone, as most values of a table are.
  if (p != in.end && is_digit(*p) && (in.end - p == 1 || !is_digit(p[1]))) {
    const auto digit = static_cast<std::uint32_t>(*p - '0');
    in.at = p + 1;
    out = static_cast<std::int32_t>(negative ? 0u - digit : digit);
    return true;
  }
  // Up to seven digits, eight bytes at a time, where the line has them: no wrap is possible.
  if constexpr (std::endian::native == std::endian::little) {
    if (in.end - p >= 8) {
      std::uint64_t x;
      std::memcpy(&x, p, 8);
      const unsigned n = leading_digits(x);
      if (n == 0) return false;
      if (n < 8) {
        const std::uint32_t value = digits_value(x, n);
        in.at = p + n;
        out = static_cast<std::int32_t>(negative ? 0u - value : value);
        return true;
      }
    }
  }
  if (p == in.end || !is_digit(*p)) return false;
  const char* const digits = p;
  // Modulo 2^64, whose low 32 bits are the number modulo 2^32.
  std::uint64_t value = 0;
  do {
    value = value * 10 + static_cast<unsigned>(*p - '0');
  } while (++p != in.end && is_digit(*p));
  in.at = p;
  // Nine digits always fit 32 bits; beyond, the digits after the leading zeros tell.
  bool big = false;
  if (p - digits > 9) {
    const char* first = digits;
    while (first != p && *first == '0')
      ++first;
    big = p - first > 10 || (p - first == 10 && value > 0xFFFFFFFFu);
  }
  const auto low = static_cast<std::uint32_t>(value);
  if (big || value > (negative ? 0x80000000u : 0x7FFFFFFFu)) wrapped = true;
  out = static_cast<std::int32_t>(negative ? 0u - low : low);
  return true;
}

bool starts_with_nocase(const Cursor& in, std::size_t at, std::string_view word) {
  if (static_cast<std::size_t>(in.end - in.at) < at + word.size()) return false;
  for (std::size_t j = 0; j < word.size(); ++j) {
    char c = in.at[at + j];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[j]) return false;
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
    in.at += k;
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
  const char* number = in.at + body;
  in.at += k;
  float value = 0.0f;
  const auto [ptr, ec] = std::from_chars(number, in.at, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    value = order > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  (void)ptr;
  out = negative ? -value : value;
  return true;
}

// The first byte at or after `p` below 0x21, as all white space is, or `end`. Eight bytes at a
// time: a byte below 0x21 sets its top bit in (x - 0x2121...) & ~x, and the first one set is
// exact (a false one can only follow a true one, through the borrow).
const char* next_low_byte(const char* p, const char* end) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  for (; end - p >= 8; p += 8) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    if (const std::uint64_t low = (x - kOnes * 0x21) & ~x & (kOnes * 0x80); low != 0) {
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(low)
                                                                 : std::countl_zero(low);
      return p + bit / 8;
    }
  }
  while (p != end && static_cast<unsigned char>(*p) > 0x20)
    ++p;
  return p;
}

// "%s": one word. A Shift-JIS lead byte takes the next byte with it, so a double-byte
// character is never split and never ends the word.
//
// Found from one white space byte to the next: a byte that is no lead byte always ends a
// character, so a white space byte ends the word unless an odd run of lead bytes comes right
// before it, whose last one takes it as its second byte.
bool scan_word(Cursor& in, const Target& t, bool& cut) {
  if (in.done()) return false;
  const char* start = in.at;
  const char* p = start;
  for (;; ++p) {
    p = next_low_byte(p, in.end);
    if (p == in.end) break;
    if (class_of(*p) != kSpace) continue;  // a control byte is part of the word
    const char* run = p;
    while (run != start && class_of(run[-1]) == kLead)
      --run;
    if ((p - run) % 2 == 0) break;
  }
  in.at = p;
  const auto size = static_cast<std::size_t>(p - start);
  auto* field = static_cast<char*>(t.place);
  const std::size_t n = std::min(size, t.size - 1);
  std::memcpy(field, start, n);
  std::memset(field + n, 0, t.size - n);
  cut = n < size;
  return true;
}

}  // namespace

ScanResult scan_targets(std::string_view line, std::span<const Target> targets) {
  Cursor in{line.data(), line.data() + line.size()};
  // Kept in locals, not in the result, through the loop.
  int matched = 0;
  int wrapped_at = -1;
  int cut_at = -1;
  std::size_t cut_field = 0;
  int wanted = 0;
  bool ok = true;
  bool ragged = false;
  for (const Target& t : targets) {
    wanted += static_cast<int>(t.count);
    if (!ok) continue;
    // A value that does not match leaves the cursor where it looked, and ends the scan.
    if (t.kind == Kind::Int) {
      auto* out = static_cast<std::int32_t*>(t.place);
      for (std::size_t k = 0; ok && k < t.count; ++k) {
        // The usual value of a table: one blank, one digit, and no digit after it.
        if (const char* p = in.at; in.end - p >= 2 && p[0] == ' ' && is_digit(p[1]) &&
                                   (in.end - p == 2 || class_of(p[2]) == kSpace)) {
          out[k] = p[1] - '0';
          in.at = p + 2;
          ++matched;
          continue;
        }
        in.skip_space();
        bool wrapped = false;
        ok = scan_int(in, out[k], wrapped);
        if (wrapped && wrapped_at < 0) wrapped_at = matched;
        ragged = ragged || (ok && !in.done() && class_of(*in.at) != kSpace);
        matched += ok ? 1 : 0;
      }
    } else if (t.kind == Kind::Real) {
      auto* out = static_cast<float*>(t.place);
      for (std::size_t k = 0; ok && k < t.count; ++k) {
        in.skip_space();
        ok = scan_real(in, out[k]);
        ragged = ragged || (ok && !in.done() && class_of(*in.at) != kSpace);
        matched += ok ? 1 : 0;
      }
    } else {
      in.skip_space();
      bool cut = false;
      ok = scan_word(in, t, cut);
      if (cut && cut_at < 0) {
        cut_at = matched;
        cut_field = t.size;
      }
      matched += ok ? 1 : 0;
    }
  }
  ScanResult result;
  result.matched = matched;
  result.wanted = wanted;
  result.wrapped = wrapped_at >= 0;
  result.wrapped_value = std::max(wrapped_at, 0);
  result.word_cut = cut_at >= 0;
  result.cut_value = std::max(cut_at, 0);
  result.cut_field = cut_field;
  result.stopped_at = static_cast<std::size_t>(in.at - line.data());
  result.ragged = ragged;
  return result;
}

bool as_new(const ValueShape& s, const void* place) {
  if (s.kind == ValueKind::Int) {
    std::int32_t v = 0;
    std::memcpy(&v, place, 4);
    return v == (s.stored == Stored::PlusOne ? 1 : 0);
  }
  const auto* p = static_cast<const unsigned char*>(place);
  for (std::size_t i = 0; i < s.size; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

void apply_stored(const ValueShape& value, void* field, bool scanned) {
  switch (value.stored) {
    case Stored::AsRead:
      break;
    case Stored::PlusOne: {
      // The engine's 32-bit arithmetic: 2147483647 + 1 wraps to -2147483648.
      auto* v = static_cast<std::int32_t*>(field);
      *v = static_cast<std::int32_t>(static_cast<std::uint32_t>(*v) + 1u);
      break;
    }
    case Stored::ZeroUnreached:
      if (!scanned) *static_cast<float*>(field) = 0.0f;
      break;
    case Stored::Breaks: {
      char* c = static_cast<char*>(field);
      char* const end = c + text_of({c, value.size}).size();
      while ((c = static_cast<char*>(std::memchr(c, '#', static_cast<std::size_t>(end - c))))) {
        *c++ = '\n';
      }
      break;
    }
  }
}

}  // namespace kelv
