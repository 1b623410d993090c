#include "format/encoding_watch.h"

#include <algorithm>

namespace kelv {
namespace {

// Whether JIS X 0208 has a character at `row` and `cell` (1 to 94 each): the symbols, digits,
// letters, kana, Greek, Cyrillic and box drawing of rows 1 to 8, and the kanji of rows 16 to 84.
bool in_jis_x0208(int row, int cell) {
  struct Run {
    int row, first, last;
  };
  static constexpr Run kRuns[] = {
      {1, 1, 94},  {2, 1, 14},  {2, 26, 33}, {2, 42, 48}, {2, 60, 74}, {2, 82, 89}, {2, 94, 94},
      {3, 16, 25}, {3, 33, 58}, {3, 65, 90}, {4, 1, 83},  {5, 1, 86},  {6, 1, 24},  {6, 33, 56},
      {7, 1, 33},  {7, 49, 81}, {8, 1, 32},  {47, 1, 51}, {84, 1, 6}};
  if ((row >= 16 && row <= 46) || (row >= 48 && row <= 83)) return true;
  for (const Run& r : kRuns) {
    if (r.row == row && cell >= r.first && cell <= r.last) return true;
  }
  return false;
}

bool euc_byte(unsigned char b) {
  return b >= 0xA1 && b <= 0xFE;
}

}  // namespace

void EncodingWatch::marked_line(std::string_view bytes, std::uint32_t number, Report& report) {
  count_nuls(bytes, number);
  if (number == 1 && (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))) {
    utf16_mark_ = true;
    big_endian_ = bytes[0] == '\xFE';
  } else if (number == 1 && !bytes.empty()) {
    big_endian_ = bytes[0] == '\0';
  }
  // What the read rules read of the line: up to its first NUL.
  std::string_view text = bytes.substr(0, bytes.find('\0'));
  if (number == 1 && text.starts_with("\xEF\xBB\xBF")) {
    report.note({1, seen::Utf8Mark{}});
    text.remove_prefix(3);  // told already; the rest of the file may still look like UTF-8
  }
  // A carriage return that ends the line is the text's own (the decompiler writes one so); one
  // with more of the line after it joined two lines.
  if (const std::size_t cr = text.find('\r');
      !cr_told_ && cr != std::string_view::npos && cr + 1 < text.size()) {
    report.note({number, seen::LoneCr{}});
    cr_told_ = true;
  }
  if (first_ == 0 && std::ranges::any_of(text, [](char c) { return (c & 0x80) != 0; }))
    first_ = number;
  if (utf8_ && breaks_utf8(text)) utf8_ = false;
  if (euc_ && breaks_euc(text)) euc_ = false;
}

bool EncodingWatch::breaks_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = b >= 0xF0 && b <= 0xF4  ? 4
                          : b >= 0xE0             ? 3
                          : b >= 0xC2 && b < 0xE0 ? 2
                                                  : 0;
    bool valid = n != 0 && i + n <= text.size();
    for (std::size_t k = 1; valid && k < n; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!valid) return true;
    // Japanese takes three bytes in UTF-8; two half-width katakana of Shift-JIS may pass for a
    // character of two.
    if (n >= 3) utf8_sign_ = true;
    i += n;
  }
  return false;
}

bool EncodingWatch::breaks_euc(std::string_view text) {
  const auto at = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = at(i);
    if (b < 0x80) {
      kana_run_ = 0;
      ++i;
      continue;
    }
    if (b == 0x8E) {  // a half-width katakana
      if (at(i + 1) < 0xA1 || at(i + 1) > 0xDF) return true;
      kana_run_ = 0;
      i += 2;
    } else if (b == 0x8F) {  // a character of JIS X 0212
      if (!euc_byte(at(i + 1)) || !euc_byte(at(i + 2))) return true;
      kana_run_ = 0;
      i += 3;
    } else {
      const unsigned char second = at(i + 1);
      if (!euc_byte(b) || !euc_byte(second) || !in_jis_x0208(b - 0xA0, second - 0xA0))
        return true;
      // Hiragana and katakana (rows 4 and 5) two in a row, or a second byte of 0xE0 or more
      // after a first below it: half-width katakana, paired, never give these.
      kana_run_ = b == 0xA4 || b == 0xA5 ? kana_run_ + 1 : 0;
      if (kana_run_ >= 2 || (b < 0xE0 && second >= 0xE0)) euc_sign_ = true;
      ++euc_characters_;
      i += 2;
    }
  }
  return false;
}

void EncodingWatch::count_nuls(std::string_view bytes, std::uint32_t number) {
  bytes_ += bytes.size() + 1;  // and its line feed
  // From the first NUL on, where the line has one.
  for (std::size_t i = bytes.find('\0'); i < bytes.size(); ++i) {
    if (bytes[i] != '\0') continue;
    ++nuls_;
    if (i + 1 < bytes.size() && bytes[i + 1] == '\0') ++nul_pairs_;
  }
  if (bytes.empty()) return;
  ++lines_;
  if (number > 1 && bytes.front() == '\0') ++nul_first_;
  last_ends_in_nul_ = bytes.back() == '\0';
  if (last_ends_in_nul_) ++nul_last_;
}

// UTF-16 by its mark, or by its NUL bytes, seldom two together (as a binary file's numbers have
// them; in UTF-16 only an ASCII character and one such as U+4E00 do): a quarter of the file (the high bytes of its ASCII characters), or at nearly every
// line's start (the high byte of the line feed before it, little-endian) or end (that of the line
// feed after it, big-endian), in a file of Japanese text; four of them at least, or fewer where a
// byte of a character taken for Ctrl-Z left only the file's first lines to read.
bool EncodingWatch::utf16(bool cut_by_ctrl_z) const {
  if (utf16_mark_) return true;
  if (nuls_ < (cut_by_ctrl_z ? 1 : 4) || nul_pairs_ * 3 > nuls_) return false;
  // A line cut by Ctrl-Z has no end of its own.
  const std::uint64_t ended = cut_by_ctrl_z ? lines_ - 1 : lines_;
  const std::uint64_t ended_in_nul = nul_last_ - (cut_by_ctrl_z && last_ends_in_nul_ ? 1 : 0);
  return nuls_ * 4 >= bytes_ ||
         (lines_ >= 2 && (nul_first_ * 10 >= (lines_ - 1) * 9 || ended_in_nul * 10 >= ended * 9));
}

void EncodingWatch::end(Report& report, bool cut_by_ctrl_z) const {
  if (utf16(cut_by_ctrl_z)) {
    report.note({1, seen::LooksUtf16{utf16_mark_, big_endian_}});
  } else if (utf8_ && utf8_sign_) {
    report.note({first_, seen::LooksUtf8{}});
  } else if (euc_ && euc_sign_ && euc_characters_ >= 3) {
    report.note({first_, seen::LooksEucJp{}});
  }
}

}  // namespace kelv
