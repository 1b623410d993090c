// A document the editor has open: its text as the editor keeps it, changed by the edits it
// sends, and the same text as the reader reads it (Shift-JIS), with the map between the two.
//
// The text is kept line by line, each line beside its Shift-JIS bytes, so that an edit converts
// only the lines it changes: a source of some hundred thousand lines stays quick to edit.
//
// Lines are the editor's: they end at a line feed, a carriage return and line feed, or a
// carriage return alone. The reader's lines end at line feeds only (a lone carriage return is
// part of its line), so one reader line may hold several of the editor's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/line_reader.h"
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
  Document(std::string_view text, Encoding encoding);

  Encoding encoding() const { return encoding_; }
  std::uint32_t line_count() const { return static_cast<std::uint32_t>(lines_.size()); }
  // Line `line` without its line end (UTF-8); empty past the last.
  std::string_view line(std::uint32_t line) const;
  // The whole text, line ends and all.
  std::string text() const;

  // Replaces the text of `range` by `text` (an edit as the editor sends it); the whole text when
  // `range` is not given.
  void change(const std::optional<Range>& range, std::string_view text);

  // The reader's text, read as a file is read.
  class Source final : public ByteSource {
   public:
    explicit Source(const Document& document) : document_(document) {}
    std::size_t read(char* buffer, std::size_t size) override;

   private:
    const Document& document_;
    std::size_t line_ = 0;  // the editor's line being read
    std::size_t at_ = 0;    // the next byte of it, its line end after its text
  };
  // The reader's whole text at once, for the tests.
  std::string shift_jis() const;
  // The characters of line `line` that Shift-JIS cannot hold.
  const std::vector<Unencodable>& unencodable(std::uint32_t line) const;

  // Where a place of the reader's text is in the editor's, and the other way round.
  Position position(const ReaderPlace& place) const;
  ReaderPlace reader_place(const Position& position) const;
  // The editor's lines that make reader line `line` (1-based): the first and the last.
  std::pair<std::uint32_t, std::uint32_t> lines_of(std::uint32_t reader_line) const;
  std::uint32_t reader_line_count() const { return static_cast<std::uint32_t>(first_.size() - 1); }
  // The text of reader line `line` (1-based) in Shift-JIS, without its line feed.
  std::string_view reader_line(std::uint32_t line) const;

  // The Shift-JIS bytes of the editor's line `line`, and a cursor over it.
  std::string_view sjis(std::uint32_t line) const;
  LineCursor cursor(std::uint32_t line) const { return {this->line(line), sjis(line), encoding_}; }
  // The column where the editor's line `line` ends.
  std::uint32_t end_column(std::uint32_t line) const;

 private:
  enum class End : std::uint8_t { None, Lf, CrLf, Cr };
  struct Line {
    std::string text;  // UTF-8, without its line end
    std::string sjis;  // empty where it is the same as the text (ASCII)
    std::vector<Unencodable> unencodable;
    End end = End::None;

    explicit Line(std::string_view utf8, End end);
  };
  static std::string_view end_of(End end);
  // `text` cut into lines, appended to `out`.
  static void split(std::string_view text, std::vector<Line>& out);
  // After an edit: where each reader line begins.
  void index();

  std::vector<Line> lines_;
  Encoding encoding_;
  std::vector<std::uint32_t> first_;  // per reader line (from 1): its first editor line
  // The reader lines that a lone carriage return joins, as one text each, made when asked for.
  mutable std::vector<std::pair<std::uint32_t, std::string>> joined_;
};

}  // namespace kelv::lsp
