#include "format/scan.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "scan_targets.h"

namespace kelv {
namespace {

TEST(Scan, StopsAtTheFirstMismatchAndLeavesTheRest) {
  std::int32_t a = 7, b = 8, c = 9;
  const ScanResult r = scan_of("1 x 3", {int_target(a), int_target(b), int_target(c)});
  EXPECT_EQ(r.matched, 1);
  EXPECT_EQ(r.wanted, 3);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 8);
  EXPECT_EQ(c, 9);
}

TEST(Scan, EmptyAndBlankLinesMatchNothing) {
  for (const char* line : {"", "   ", "\t"}) {
    std::int32_t a = 5;
    char word[8] = "keep";
    EXPECT_EQ(scan_of(line, {int_target(a)}).matched, 0);
    EXPECT_EQ(scan_of(line, {word_target(word)}).matched, 0);
    EXPECT_EQ(a, 5);
    EXPECT_STREQ(word, "keep");
  }
}

TEST(Scan, Integers) {
  struct Case {
    const char* line;
    int matched;
    std::int32_t value;
  } cases[] = {
      {"42", 1, 42},
      {"-3", 1, -3},
      {"+5", 1, 5},
      {"  \t17", 1, 17},
      {"12abc", 1, 12},
      {"-", 0, 99},
      {"+x", 0, 99},
      {"abc", 0, 99},
      {"2147483647", 1, 2147483647},
      {"-2147483648", 1, std::numeric_limits<std::int32_t>::min()},
      {"4294967297", 1, 1},  // beyond 32 bits: taken modulo 2^32
      {"1.9", 1, 1},
  };
  for (const Case& c : cases) {
    std::int32_t v = 99;
    EXPECT_EQ(scan_of(c.line, {int_target(v)}).matched, c.matched) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  std::int32_t v = 0;
  EXPECT_TRUE(scan_of("4294967297", {int_target(v)}).wrapped);
  EXPECT_FALSE(scan_of("-2147483648", {int_target(v)}).wrapped);
}

// A line in a buffer of its own, exactly as long: a scan that looks past the end of its line is
// caught by the address sanitizer.
class Exact {
 public:
  explicit Exact(std::string_view line) : bytes_(new char[line.size()]), size_(line.size()) {
    std::memcpy(bytes_.get(), line.data(), line.size());
  }
  operator std::string_view() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

// Leading zeros do not count towards the 32 bits; the digits after them do.
TEST(Scan, IntegersWithLeadingZerosAtThe32BitLimit) {
  struct Case {
    const char* line;
    std::int32_t value;
    bool wrapped;
  } cases[] = {
      {"0000000000", 0, false},
      {"000000000000", 0, false},
      {"-0", 0, false},
      {"02147483647", 2147483647, false},
      {"0000000002147483647", 2147483647, false},
      {"00000000002147483648", std::numeric_limits<std::int32_t>::min(), true},
      {"-00000000002147483648", std::numeric_limits<std::int32_t>::min(), false},
      {"-00000000002147483649", 2147483647, true},
      {"1000000000", 1000000000, false},
      {"00004294967295", -1, true},
      {"00004294967296", 0, true},
      {"4294967296", 0, true},
      {"9999999999", 1410065407, true},
      {"000000000000000000001", 1, false},
      {"18446744073709551616", 0, true},  // 2^64: nothing left below the 64 bits either
      {"18446744073709551617", 1, true},
      {"0000000000000000000000000000004294967295", -1, true},
  };
  for (const Case& c : cases) {
    std::int32_t v = 99;
    const ScanResult r = scan_of(Exact(c.line), {int_target(v)});
    EXPECT_EQ(r.matched, 1) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
    EXPECT_EQ(r.wrapped, c.wrapped) << c.line;
  }
}

TEST(Scan, Reals) {
  struct Case {
    const char* line;
    float value;
  } cases[] = {
      {"0.5", 0.5f},
      {"2", 2.0f},
      {"-1.25", -1.25f},
      {".5", 0.5f},
      {"5.", 5.0f},
      {"1e2", 100.0f},
      {"2.5E-1", 0.25f},
      {"+3", 3.0f},
      {"7e", 7.0f},
      {"0.1", 0.1f},
      {"1e-60", 0.0f},
      {"1e60", std::numeric_limits<float>::infinity()},
      {"-inf", -std::numeric_limits<float>::infinity()},
      {"2e+x", 2.0f},  // an exponent without digits is not part of the number
  };
  for (const Case& c : cases) {
    float v = -99.0f;
    EXPECT_EQ(scan_of(c.line, {real_target(v)}).matched, 1) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  float v = -99.0f;
  EXPECT_EQ(scan_of("nan", {real_target(v)}).matched, 1);
  EXPECT_TRUE(std::isnan(v));
  for (const char* bad : {".", "-", "e5", "x1"}) {
    float keep = 3.0f;
    EXPECT_EQ(scan_of(bad, {real_target(keep)}).matched, 0) << bad;
    EXPECT_EQ(keep, 3.0f) << bad;
  }
}

TEST(Scan, WordsStopAtWhiteSpace) {
  char word[16] = {};
  std::int32_t n = 0;
  EXPECT_EQ(scan_of("  my data 3", {word_target(word), int_target(n)}).matched, 1);
  EXPECT_STREQ(word, "my");
  EXPECT_EQ(scan_of("hero\t12", {word_target(word), int_target(n)}).matched, 2);
  EXPECT_STREQ(word, "hero");
  EXPECT_EQ(n, 12);
}

// A word's end is found eight bytes at a time: it may end at any place of the eight, after any
// bytes that are no white space (control bytes and bytes above 0x7F among them), or at the end of
// the line.
TEST(Scan, WordsEndAtEveryPlaceOfTheirEightBytes) {
  const std::string bytes =
      "a!~\x7f\xa1\x01\x1f\x80z\xfd\x08\x0e"
      "0";
  for (std::size_t length = 1; length <= 25; ++length) {
    std::string word;
    for (std::size_t i = 0; i < length; ++i)
      word += bytes[(i * 5) % bytes.size()];
    for (const char* end : {" ", "\t", "\n", "\v", "\f", "\r", "  \t", ""}) {
      char field[32] = {};
      std::int32_t n = -1;
      const std::string line = word + end + (*end != '\0' ? "7" : "");
      const ScanResult r = scan_of(Exact(line), {word_target(field), int_target(n)});
      EXPECT_EQ(std::string(field), word) << length << " bytes, then " << int{*end};
      EXPECT_EQ(r.matched, *end != '\0' ? 2 : 1) << length;
      EXPECT_EQ(n, *end != '\0' ? 7 : -1) << length;
    }
    // A lead byte takes the white space after it: an odd run of them before a blank, wherever
    // it falls, continues the word; an even run pairs up and ends it.
    for (const char* run : {"\x82", "\x82\x82", "\x82\x82\x82", "\xe0\x9f\xfc\x81"}) {
      const std::string leads = run;
      const std::string line = word + leads + " b 3";
      char field[40] = {};
      std::int32_t n = -1;
      scan_of(Exact(line), {word_target(field), int_target(n)});
      const bool odd = leads.size() % 2 == 1;
      EXPECT_EQ(std::string(field), word + leads + (odd ? " b" : "")) << length;
      EXPECT_EQ(n, odd ? 3 : -1) << length;
    }
  }
}

TEST(Scan, ShiftJisCharactersStayWhole) {
  // "勇者" and the double-byte space 81 40 do not end a word; a lead byte takes the next byte
  // with it even when that byte is a space.
  char word[32] = {};
  EXPECT_EQ(scan_of("\x97\x45\x8e\xd2\x81\x40x y", {word_target(word)}).matched, 1);
  EXPECT_STREQ(word, "\x97\x45\x8e\xd2\x81\x40x");
  EXPECT_EQ(scan_of("\x82 z", {word_target(word)}).matched, 1);
  EXPECT_STREQ(word, "\x82 z");
  // A lead byte at the end of the line stands alone.
  EXPECT_EQ(scan_of("ab\x82", {word_target(word)}).matched, 1);
  EXPECT_STREQ(word, "ab\x82");
}

TEST(Scan, WordsNeverPassTheirField) {
  std::array<char, 6> field;
  field.fill('#');
  std::int32_t n = 0;
  const ScanResult r = scan_of("abcdefgh 5", {word_target(field), int_target(n)});
  EXPECT_EQ(r.matched, 2);  // the rest of the word is consumed, the number still scans
  EXPECT_TRUE(r.word_cut);
  EXPECT_EQ(std::string(field.data(), field.size()), std::string("abcde\0", 6));
  EXPECT_EQ(n, 5);
  // A shorter word zero-fills what a longer one left.
  EXPECT_EQ(scan_of("xy", {word_target(field)}).matched, 1);
  EXPECT_EQ(std::string(field.data(), field.size()), std::string("xy\0\0\0\0", 6));
  EXPECT_FALSE(scan_of("abcde", {word_target(field)}).word_cut);
  char buffer[4];
  EXPECT_EQ(scan_of("word", {word_target(std::span<char>(buffer))}).matched, 1);
  EXPECT_STREQ(buffer, "wor");
}

TEST(Scan, MixedFormats) {
  std::int32_t a = 0, b = 0;
  float f = 0;
  char name[8] = {};
  EXPECT_EQ(
      scan_of("3 0.25 boss 9", {int_target(a), real_target(f), word_target(name), int_target(b)})
          .matched,
      4);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(f, 0.25f);
  EXPECT_STREQ(name, "boss");
  EXPECT_EQ(b, 9);
}

}  // namespace
}  // namespace kelv
