#include "format/scan.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace kelv {
namespace {

TEST(Scan, StopsAtTheFirstMismatchAndLeavesTheRest) {
  std::int32_t a = 7, b = 8, c = 9;
  const ScanResult r = scan("1 x 3", "%d %d %d", a, b, c);
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
    EXPECT_EQ(scan(line, "%d", a).matched, 0);
    EXPECT_EQ(scan(line, "%s", word).matched, 0);
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
    EXPECT_EQ(scan(c.line, "%d", v).matched, c.matched) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  std::int32_t v = 0;
  EXPECT_TRUE(scan("4294967297", "%d", v).wrapped);
  EXPECT_FALSE(scan("-2147483648", "%d", v).wrapped);
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
    EXPECT_EQ(scan(c.line, "%f", v).matched, 1) << c.line;
    EXPECT_EQ(v, c.value) << c.line;
  }
  float v = -99.0f;
  EXPECT_EQ(scan("nan", "%f", v).matched, 1);
  EXPECT_TRUE(std::isnan(v));
  for (const char* bad : {".", "-", "e5", "x1"}) {
    float keep = 3.0f;
    EXPECT_EQ(scan(bad, "%f", keep).matched, 0) << bad;
    EXPECT_EQ(keep, 3.0f) << bad;
  }
}

TEST(Scan, WordsStopAtWhiteSpace) {
  char word[16] = {};
  std::int32_t n = 0;
  EXPECT_EQ(scan("  my data 3", "%s %d", word, n).matched, 1);
  EXPECT_STREQ(word, "my");
  EXPECT_EQ(scan("hero\t12", "%s %d", word, n).matched, 2);
  EXPECT_STREQ(word, "hero");
  EXPECT_EQ(n, 12);
}

TEST(Scan, ShiftJisCharactersStayWhole) {
  // "勇者" and the double-byte space 81 40 do not end a word; a lead byte takes the next byte
  // with it even when that byte is a space.
  char word[32] = {};
  EXPECT_EQ(scan("\x97\x45\x8e\xd2\x81\x40x y", "%s", word).matched, 1);
  EXPECT_STREQ(word, "\x97\x45\x8e\xd2\x81\x40x");
  EXPECT_EQ(scan("\x82 z", "%s", word).matched, 1);
  EXPECT_STREQ(word, "\x82 z");
  // A lead byte at the end of the line stands alone.
  EXPECT_EQ(scan("ab\x82", "%s", word).matched, 1);
  EXPECT_STREQ(word, "ab\x82");
}

TEST(Scan, WordsNeverPassTheirField) {
  std::array<char, 6> field;
  field.fill('#');
  std::int32_t n = 0;
  const ScanResult r = scan("abcdefgh 5", "%s %d", field, n);
  EXPECT_EQ(r.matched, 2);  // the rest of the word is consumed, the number still scans
  EXPECT_TRUE(r.word_cut);
  EXPECT_EQ(std::string(field.data(), field.size()), std::string("abcde\0", 6));
  EXPECT_EQ(n, 5);
  // A shorter word zero-fills what a longer one left.
  EXPECT_EQ(scan("xy", "%s", field).matched, 1);
  EXPECT_EQ(std::string(field.data(), field.size()), std::string("xy\0\0\0\0", 6));
  EXPECT_FALSE(scan("abcde", "%s", field).word_cut);
  char buffer[4];
  EXPECT_EQ(scan("word", "%s", std::span<char>(buffer)).matched, 1);
  EXPECT_STREQ(buffer, "wor");
}

TEST(Scan, MixedFormats) {
  std::int32_t a = 0, b = 0;
  float f = 0;
  char name[8] = {};
  EXPECT_EQ(scan("3 0.25 boss 9", "%d %f %s %d", a, f, name, b).matched, 4);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(f, 0.25f);
  EXPECT_STREQ(name, "boss");
  EXPECT_EQ(b, 9);
}

}  // namespace
}  // namespace kelv
