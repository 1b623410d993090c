// Shift-JIS text is never taken for another encoding, whatever its characters; the same text in
// EUC-JP is. (The cases under tests/cases/wave_list show the findings a file gets.)
#include "format/encoding_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelv {
namespace {

class Kinds final : public Report {
 public:
  void note(const Note& n) override {
    if (!n.is<seen::LoneCr>()) seen.push_back(n.what.index());
  }
  std::vector<std::size_t> seen;  // the kinds of the notes, by their place in seen::Any
};

// The encoding notes the text gets, read as the lines of a source.
std::vector<std::size_t> told(const std::string& text) {
  Kinds report;
  EncodingWatch watch;
  std::uint32_t number = 0;
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    watch.line(std::string_view(text).substr(at, end - at), ++number, report);
    at = end + 1;
  }
  watch.end(report);
  return report.seen;
}

// The character of JIS X 0208 at `row` and `cell` (1 to 94) in Shift-JIS, and in EUC-JP.
std::string sjis(int row, int cell) {
  const int lead = (row + 1) / 2 + (row <= 62 ? 0x70 : 0xB0);
  const int trail = row % 2 == 1 ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
  return {static_cast<char>(lead), static_cast<char>(trail)};
}
std::string euc(int row, int cell) {
  return {static_cast<char>(row + 0xA0), static_cast<char>(cell + 0xA0)};
}

TEST(EncodingWatch, ShiftJisIsNeverTakenForAnotherEncoding) {
  // Every cell of the code table, alone and a row at a time (the rows' empty cells too: no text
  // of the editors' vendor characters, which fill some of them, is told either).
  for (int row = 1; row <= 94; ++row) {
    std::string line;
    for (int cell = 1; cell <= 94; ++cell) {
      EXPECT_TRUE(told("<a>\n" + sjis(row, cell) + "\n</a>\n").empty()) << row << "-" << cell;
      line += sjis(row, cell);
    }
    EXPECT_TRUE(told(line).empty()) << "row " << row;
  }
  // The vendors' characters beyond the table: the IBM extensions (0xFA40 to 0xFC4B).
  std::string ibm;
  for (int lead = 0xFA; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail)
      if (trail != 0x7F) ibm += {static_cast<char>(lead), static_cast<char>(trail)};
  }
  EXPECT_TRUE(told(ibm).empty());
  // Half-width katakana, which alone pair into valid UTF-8 and EUC-JP: every pair, alone, twice
  // over and with one more after it.
  for (int a = 0xA1; a <= 0xDF; ++a) {
    for (int b = 0xA1; b <= 0xDF; ++b) {
      const std::string two{static_cast<char>(a), static_cast<char>(b)};
      EXPECT_TRUE(told(two + " " + two + two + "\n" + two + "\xB1").empty()) << std::hex << a << b;
    }
  }
  // Pairs that make EUC-JP kana on lines apart: an ASCII line between ends their run, as a
  // blank between them on one line does.
  EXPECT_TRUE(told("\xA4\xA2\nabc\n\xA4\xA4\n\xB0\xA1").empty());
  EXPECT_TRUE(told("\xA4\xA2 \xA4\xA4\n\xB0\xA1").empty());
}

TEST(EncodingWatch, EucJpAndUtf16AreTold) {
  const std::size_t euc_jp = seen::Any(seen::LooksEucJp{}).index();
  const std::size_t utf16 = seen::Any(seen::LooksUtf16{}).index();
  // Three kana (rows 4, 5) or kanji (rows 16 to 63) as EUC-JP, the last of them one whose
  // second byte only EUC-JP gives after its first.
  for (const int row : {4, 5, 16, 30, 46, 48, 63}) {
    std::string line;
    for (int cell = 62; cell <= 64; ++cell)
      line += euc(row, cell);
    EXPECT_EQ(told("x\n" + line + "\n"), std::vector<std::size_t>{euc_jp}) << row;
  }
  // UTF-16, little-endian with its mark, big-endian without one.
  EXPECT_EQ(told(std::string("\xFF\xFE<\0a\0>\0\n\0", 10)), std::vector<std::size_t>{utf16});
  EXPECT_EQ(told(std::string("\0<\0a\0>\0\n\0<\0/\0a\0>\0\n", 18)),
            std::vector<std::size_t>{utf16});
  // Two lines of two letters, without a mark: its five NUL bytes count, the first of each line
  // too; three are too few.
  EXPECT_EQ(told(std::string("a\0b\0\n\0c\0d\0", 10)), std::vector<std::size_t>{utf16});
  EXPECT_TRUE(told(std::string("a\0b\0\n\0c", 7)).empty());
}

}  // namespace
}  // namespace kelv
