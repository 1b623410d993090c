// Watches the bytes of a source for what says it was not saved as the read rules read it: a UTF-8
// byte order mark, text beyond ASCII that is all valid UTF-8 or all valid EUC-JP (and so hardly
// Shift-JIS), a file of UTF-16 (NUL bytes between its ASCII characters), carriage returns without
// line feeds.
//
// Shift-JIS text never looks like the others: its kana, punctuation and common kanji begin with
// bytes 0x81-0x9F, which UTF-8 and EUC-JP never begin a character with, and it holds no NUL. Text
// of half-width katakana alone (0xA1-0xDF) can pair into valid UTF-8 or EUC-JP, so each is told
// only on what such text never holds: UTF-8 on a character of three bytes or more (as every
// Japanese character is), EUC-JP on a character whose second byte is 0xE0 or more after a first
// byte below 0xE0, or on two kana in a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "format/line_reader.h"
#include "format/report.h"

namespace kelv {

class EncodingWatch {
 public:
  // Each line's bytes in turn, up to its line feed (NUL bytes and what follows them included),
  // the first with `number` 1.
  void line(std::string_view bytes, std::uint32_t number, Report& report) {
    if (number > 1 && !holds_marks(bytes)) {
      plain_line(bytes.size());
    } else {
      marked_line(bytes, number, report);
    }
  }
  // A line after the first of `size` bytes, none of them a NUL, a carriage return or beyond ASCII
  // (format/line_reader.h, holds_marks()): most lines, which only count.
  void plain_line(std::size_t size) {
    bytes_ += size + 1;  // and its line feed
    if (size == 0) return;
    ++lines_;
    last_ends_in_nul_ = false;
    kana_run_ = 0;  // an ASCII byte ends a run of EUC-JP kana
  }
  // After the last line; `cut_by_ctrl_z`: a Ctrl-Z ended the file before bytes never read (a
  // byte of a UTF-16 character, where it is one).
  void end(Report& report, bool cut_by_ctrl_z = false) const;

 private:
  // A line that holds one of the bytes the watch looks at (or the first line).
  void marked_line(std::string_view bytes, std::uint32_t number, Report& report);
  // Whether the bytes beyond ASCII of `text` break UTF-8; notes a character of three bytes.
  bool breaks_utf8(std::string_view text);
  // Whether the bytes beyond ASCII of `text` break EUC-JP; notes what only EUC-JP text holds.
  bool breaks_euc(std::string_view text);
  // Counts the NUL bytes of the line `number`, alone, in pairs, at its start and at its end.
  void count_nuls(std::string_view bytes, std::uint32_t number);
  bool utf16(bool cut_by_ctrl_z) const;

  bool utf8_ = true;         // no byte beyond ASCII has broken UTF-8 yet
  bool utf8_sign_ = false;   // a character of three bytes or more was seen
  bool euc_ = true;          // nor EUC-JP
  bool euc_sign_ = false;    // what only EUC-JP text holds was seen
  int kana_run_ = 0;         // EUC-JP kana in a row, the last characters seen
  // Characters of JIS X 0208 in EUC-JP: three at least, for a word or two of Japanese text, where
  // a few bytes of something else may pass for one or two.
  int euc_characters_ = 0;
  std::uint32_t first_ = 0;  // the first line with text beyond ASCII
  bool cr_told_ = false;
  // UTF-16: its byte order mark, and its NUL bytes, which a NUL between two others would not be.
  bool utf16_mark_ = false;
  bool big_endian_ = false;  // by the mark, or the first line's first byte
  std::uint64_t bytes_ = 0;
  std::uint64_t nuls_ = 0;
  std::uint64_t nul_pairs_ = 0;
  std::uint64_t lines_ = 0;      // lines that are not empty
  std::uint64_t nul_first_ = 0;  // of those after the first, the ones that begin with a NUL
  std::uint64_t nul_last_ = 0;   // and the ones that end with one
  bool last_ends_in_nul_ = false;
};

}  // namespace kelv
