#include "format/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
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
      {"cr lf alone is an empty line", "\r\nb", {"", "b"}},
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
}

// The reader takes the source in blocks of 64 KiB. `tail` placed so that it begins at `at` in
// the source, after filler lines of 'f'; the reads of the tail, with their line numbers counted
// from the tail's first line.
std::vector<Read> reads_at(std::size_t at, std::string_view tail, std::size_t buffer) {
  std::string source;
  std::uint32_t filler = 0;
  while (source.size() < at) {
    const std::size_t n = std::min<std::size_t>(100, at - source.size());
    source += std::string(n - 1, 'f') + "\n";
    ++filler;
  }
  source += tail;
  std::vector<Read> out = reads(source, buffer);
  EXPECT_GE(out.size(), filler);
  for (std::uint32_t i = 0; i < filler && i < out.size(); ++i)
    EXPECT_EQ(out[i].text, std::string(out[i].text.size(), 'f')) << "filler line " << i;
  out.erase(out.begin(), out.begin() + std::min<std::size_t>(filler, out.size()));
  for (Read& r : out)
    r.line -= filler;
  return out;
}

// Where a block ends, the reads are what they are inside a block.
TEST(LineReader, AtTheEndsOfBlocks) {
  constexpr std::size_t kEnd = 65536;  // the first byte of the second block
  const std::string short_line(255, 'L');
  const std::string long_line(4095, 'Q');
  struct Case {
    const char* name;
    std::size_t at;  // where the tail begins
    std::string tail;
    std::size_t buffer;
    std::vector<Read> expected;
  } cases[] = {
      {"cr the last byte of a block, its lf the first of the next",
       kEnd - 3,
       "ab\r\ncd",
       kShortLines,
       {{"ab", 1, false, false, false}, {"cd", 2, false, false, false}}},
      {"a lone cr at the end of a block stays",
       kEnd - 3,
       "ab\rcd\n",
       kLongLines,
       {{"ab\rcd", 1, false, false, false}, {"", 2, false, false, true}}},
      {"cr cr lf across the end of a block",
       kEnd - 2,
       "a\r\r\nb",
       kShortLines,
       {{"a\r", 1, false, false, false}, {"b", 2, false, false, false}}},
      {"a line feed the last byte of a block",
       kEnd - 2,
       "a\nb",
       kShortLines,
       {{"a", 1, false, false, false}, {"b", 2, false, false, false}}},
      {"the source ends with the block's last byte, a line feed",
       kEnd - 2,
       "a\n",
       kShortLines,
       {{"a", 1, false, false, false}, {"", 2, false, false, true}}},
      // A full buffer whose last byte is a CR: with the LF of the next block, one line end.
      {"254 bytes, cr lf, the cr the last byte of a block",
       kEnd - 255,
       std::string(254, 'a') + "\r\nb",
       kShortLines,
       {{std::string(254, 'a'), 1, false, false, false}, {"b", 2, false, false, false}}},
      {"4094 bytes, cr lf, the cr the last byte of a block",
       kEnd - 4095,
       std::string(4094, 'a') + "\r\nb",
       kLongLines,
       {{std::string(4094, 'a'), 1, false, false, false}, {"b", 2, false, false, false}}},
      {"a full buffer ending in a cr, no lf after it",
       kEnd - 255,
       std::string(254, 'a') + "\rb",
       kShortLines,
       {{std::string(254, 'a') + "\r", 1, false, false, false}, {"b", 1, true, false, false}}},
      {"255 bytes across the end of a block",
       kEnd - 100,
       short_line + "\nz",
       kShortLines,
       {{short_line, 1, false, false, false},
        {"", 1, true, false, false},
        {"z", 2, false, false, false}}},
      {"4095 bytes across the end of a block",
       kEnd - 1000,
       long_line + "\nz",
       kLongLines,
       {{long_line, 1, false, false, false},
        {"", 1, true, false, false},
        {"z", 2, false, false, false}}},
      {"a line longer than the buffer across the end of a block",
       kEnd - 7,
       std::string(300, 'x') + "\n",
       kShortLines,
       {{std::string(255, 'x'), 1, false, false, false},
        {std::string(45, 'x'), 1, true, false, false},
        {"", 2, false, false, true}}},
      {"a nul in the next block ends the text",
       kEnd - 2,
       std::string("ab\0cd\ne", 7),
       kShortLines,
       {{"ab", 1, false, true, false}, {"e", 2, false, false, false}}},
      // Ctrl-Z ends the file in any block, and nothing of the blocks after it is read.
      {"ctrl-z the first byte of the second block",
       kEnd - 2,
       "a\n\x1a" + std::string(70000, 'z') + "\n",
       kShortLines,
       {{"a", 1, false, false, false}, {"", 2, false, false, true}}},
      {"ctrl-z inside the second block, more blocks after it",
       kEnd + 10,
       "b\x1a" + std::string(140000, 'z') + "\nc\n",
       kLongLines,
       {{"b", 1, false, false, false}}},
      {"ctrl-z in the third block",
       2 * kEnd - 1,
       "c\x1a"
       "d\ne\n",
       kShortLines,
       {{"c", 1, false, false, false}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(reads_at(c.at, c.tail, c.buffer), c.expected) << c.name;
}

}  // namespace
}  // namespace kelv
