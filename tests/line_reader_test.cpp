#include "format/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelv {
namespace {

struct Read {
  std::string text;
  std::uint32_t line;
  bool piece;
  bool nul;
  bool final_empty;
  bool operator==(const Read&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Read& r) {
  return os << "{\"" << r.text << "\" line " << r.line << (r.piece ? " piece" : "")
            << (r.nul ? " nul" : "") << (r.final_empty ? " final" : "") << "}";
}

std::vector<std::string> lines(std::string_view source, std::size_t buffer = kShortLines) {
  MemorySource in(source);
  LineReader reader(in, buffer);
  std::vector<std::string> out;
  while (reader.next())
    out.emplace_back(reader.text());
  return out;
}

std::vector<Read> reads(std::string_view source, std::size_t buffer = kShortLines) {
  MemorySource in(source);
  LineReader reader(in, buffer);
  std::vector<Read> out;
  while (reader.next()) {
    out.push_back({std::string(reader.text()), reader.line_number(), reader.is_piece(),
                   reader.cut_at_nul(), reader.is_final_empty()});
  }
  return out;
}

using Lines = std::vector<std::string>;

TEST(LineReader, TextModeLineEnds) {
  struct Case {
    const char* name;
    std::string source;
    Lines expected;
  } cases[] = {
      {"lf", "a\nb\n", {"a", "b", ""}},
      {"crlf reads as lf", "a\r\nb\r\n", {"a", "b", ""}},
      {"no final line feed", "a\nb", {"a", "b"}},
      {"empty file gives one empty line", "", {""}},
      {"lone cr stays", "a\rb\n", {"a\rb", ""}},
      {"cr cr lf keeps one cr", "a\r\r\nb", {"a\r", "b"}},
      {"cr at the very end stays", "a\r", {"a\r"}},
      {"ctrl-z ends the file", "a\nb\x1a\nc\n", {"a", "b"}},
      {"ctrl-z after a line feed", "a\n\032b\n", {"a", ""}},
      {"ctrl-z first", "\032a\n", {""}},
      {"blank lines are lines", "\n\n", {"", "", ""}},
      // A line of exactly 255 bytes fills the buffer; its line feed is read as an empty piece.
      {"a full buffer", std::string(255, 'y') + "\nz", {std::string(255, 'y'), "", "z"}},
      // 254 bytes and CR LF: the line feed still fits the 255 bytes of one read.
      {"cr lf counts as one byte of the buffer",
       std::string(254, 'a') + "\r\nb",
       {std::string(254, 'a'), "b"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(lines(c.source), c.expected) << c.name;
}

// Long lines arrive in pieces, a NUL ends the text, the final empty line is marked.
TEST(LineReader, WhatEachReadTells) {
  EXPECT_EQ(reads(std::string(300, 'x') + "\nend"),
            (std::vector<Read>{{std::string(255, 'x'), 1, false, false, false},
                               {std::string(45, 'x'), 1, true, false, false},
                               {"end", 2, false, false, false}}));
  EXPECT_EQ(reads(std::string("ab\0cd\nef", 8)),
            (std::vector<Read>{{"ab", 1, false, true, false}, {"ef", 2, false, false, false}}));
  EXPECT_EQ(reads("a\n"),
            (std::vector<Read>{{"a", 1, false, false, false}, {"", 2, false, false, true}}));
}

TEST(LineReader, LongBuffer) {
  // 4095 bytes per read.
  const Lines big = lines(std::string(5000, 'q'), kLongLines);
  ASSERT_EQ(big.size(), 2u);
  EXPECT_EQ(big[0].size(), 4095u);
  EXPECT_EQ(big[1].size(), 905u);
  // Put the CR as the last byte of the first 64 KiB block and its LF in the next one.
  std::string source;
  while (source.size() < 64 * 1024 - 1)
    source += std::string(99, 'k') + "\n";
  source.resize(64 * 1024 - 1);
  source += "\r\nlast";
  const Lines got = lines(source, kLongLines);
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(got.back(), "last");
  EXPECT_EQ(got[got.size() - 2].find('\r'), std::string::npos);
}

}  // namespace
}  // namespace kelv
