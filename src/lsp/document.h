// A document the editor has open: its text as the editor keeps it, changed by the edits it
// sends, and the same text as the reader reads it (Shift-JIS), with the map between the two.
//
// Lines are the editor's: they end at a line feed, a carriage return and line feed, or a
// carriage return alone. The reader's lines end at line feeds only (a lone carriage return is
// part of its line), so one reader line may hold several of the editor's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/text.h"

namespace kelv::lsp {

struct Position {
  std::uint32_t line = 0;
  std::uint32_t column = 0;  // in the negotiated encoding
  bool operator==(const Position&) const = default;
};

struct Range {
  Position begin;
  Position end;
  bool operator==(const Range&) const = default;
};

// A place in the reader's text: its 1-based line and a 0-based byte of that line.
struct ReaderPlace {
  std::uint32_t line = 1;
  std::size_t byte = 0;
};

class Document {
 public:
  Document(std::string text, Encoding encoding) : text_(std::move(text)), encoding_(encoding) {
    index();
  }

  const std::string& text() const { return text_; }
  std::uint32_t line_count() const { return static_cast<std::uint32_t>(starts_.size()); }
  // Line `line` without its line end.
  std::string_view line(std::uint32_t line) const;

  // Replaces the text of `range` by `text` (an edit as the editor sends it); the whole text when
  // `range` is not given.
  void change(const std::optional<Range>& range, std::string_view text);

  // The reader's text and what of the editor's text it could not hold.
  const std::string& shift_jis() const;
  const std::vector<Unencodable>& unencodable() const;

  // Where a place of the reader's text is in the editor's, and the other way round.
  Position position(const ReaderPlace& place) const;
  ReaderPlace reader_place(const Position& position) const;
  // The editor's lines that make reader line `line` (1-based): the first and the last.
  std::pair<std::uint32_t, std::uint32_t> lines_of(std::uint32_t reader_line) const;
  // The text of reader line `line` (1-based) in Shift-JIS, without its line feed.
  std::string_view reader_line(std::uint32_t line) const;
  std::uint32_t reader_line_count() const;

  // Columns of the editor's line `line` between UTF-8 bytes and the negotiated encoding.
  std::uint32_t column_of(std::uint32_t line, std::size_t utf8_offset) const;
  std::size_t offset_of(const Position& position) const;  // in the whole text, clamped

 private:
  void index();
  void convert() const;

  std::string text_;
  Encoding encoding_;
  std::vector<std::size_t> starts_;  // where each line begins in text_

  // Made when first asked for after a change.
  struct Converted {
    std::string bytes;                    // the whole text in Shift-JIS
    std::vector<ShiftJisLine> lines;      // per editor line
    std::vector<std::size_t> line_start;  // where each editor line begins in `bytes`
    std::vector<std::uint32_t> first;     // per reader line (from 1): its first editor line
    std::vector<Unencodable> unencodable;
  };
  mutable std::optional<Converted> converted_;
};

}  // namespace kelv::lsp
