#include "lsp/tokens.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "format/scan.h"
#include "format/text.h"
#include "format/value_spans.h"
#include "inspect/wording.h"

namespace kelv::lsp {
namespace {

enum Type : std::uint32_t { kTag, kInt, kReal, kWord, kText, kLineBreak, kComment, kNotTag };

// The tokens as the protocol encodes them: five numbers each, the line and start relative to
// the token before.
class Tokens {
 public:
  void add(std::uint32_t line, std::uint32_t column, std::uint32_t length, Type type) {
    const std::uint32_t start = line == line_ ? column - column_ : column;
    data_.insert(data_.end(), {line - line_, start, length, type, 0});
    line_ = line;
    column_ = column;
  }
  std::vector<std::uint32_t>& data() { return data_; }

 private:
  std::vector<std::uint32_t> data_;
  std::uint32_t line_ = 0;
  std::uint32_t column_ = 0;
};

// The tokens of one reader line, given by its bytes in order; a token across a carriage return
// that joins two of the editor's lines is one token on each.
class LineTokens {
 public:
  LineTokens(const Document& d, std::uint32_t reader_line, Tokens& out)
      : d_(d), line_(d.lines_of(reader_line).first), last_(d.lines_of(reader_line).second),
        cursor_(d.cursor(line_)), out_(out) {}

  void add(std::size_t begin, std::size_t end, Type type) {
    while (begin < end) {
      const std::size_t line_end = base_ + d_.sjis(line_).size();
      if (begin >= line_end && line_ < last_) {
        base_ = line_end + 1;  // after the carriage return
        cursor_ = d_.cursor(++line_);
        continue;
      }
      begin = std::max(begin, base_);
      const std::size_t stop = line_ < last_ ? std::min(end, line_end) : end;
      const Place a = cursor_.at_sjis(begin - base_);
      const Place b = cursor_.at_sjis(stop - base_);
      if (b.column > a.column) out_.add(line_, a.column, b.column - a.column, type);
      begin = stop;
    }
  }

 private:
  const Document& d_;
  std::uint32_t line_;
  std::uint32_t last_;
  std::size_t base_ = 0;  // where the editor's line begins in the reader's
  LineCursor cursor_;
  Tokens& out_;
};

Type type_of(ValueKind kind) {
  switch (kind) {
    case ValueKind::Int:
      return kInt;
    case ValueKind::Real:
      return kReal;
    case ValueKind::Word:
      return kWord;
    case ValueKind::Text:
      return kText;
  }
  return kWord;
}

// A value's bytes `begin` to `end` of `piece`; where it is a text whose '#' the data file holds
// as a line break, each such '#' a token of its own.
void value(LineTokens& out, std::string_view piece, std::size_t from, const ValueShape& shape,
           std::size_t begin, std::size_t end) {
  const Type type = type_of(shape.kind);
  std::size_t at = begin;
  if (shape.stored == Stored::Breaks) {
    // The text's own rule finds the breaks: a '#' that is the second byte of a character is none.
    std::vector<char> field(piece.begin() + static_cast<std::ptrdiff_t>(begin),
                            piece.begin() + static_cast<std::ptrdiff_t>(end));
    hash_to_line_feed(field);
    for (std::size_t i = 0; i < field.size(); ++i) {
      if (field[i] != '\n') continue;
      out.add(from + at, from + begin + i, type);
      out.add(from + begin + i, from + begin + i + 1, kLineBreak);
      at = begin + i + 1;
    }
  }
  out.add(from + at, from + end, type);
}

}  // namespace

Json token_legend() {
  Json types = Json::array();
  for (const std::string_view t : kTokenTypes)
    types.push_back(t);
  return {{"tokenTypes", types}, {"tokenModifiers", Json::array()}};
}

std::vector<std::uint32_t> semantic_tokens(const Context& c, const std::optional<Range>& range) {
  const Numbered numbered(c.subject.vocabulary());
  const std::span<const Taken> uses = c.reading.uses();
  std::uint32_t first = 1;
  std::uint32_t last = ~std::uint32_t{0};
  if (range) {
    first = c.document.reader_place(range->begin).line;
    last = c.document.reader_place(range->end).line;
  }
  Tokens tokens;
  auto u = std::lower_bound(uses.begin(), uses.end(), first,
                            [](const Taken& t, std::uint32_t l) { return t.line < l; });
  for (; u != uses.end() && u->line <= last; ++u) {
    // A piece that several groups take: as the first took it.
    if (u != uses.begin() && std::prev(u)->line == u->line && std::prev(u)->from == u->from)
      continue;
    const std::string_view piece = piece_of(c, *u);
    LineTokens line(c.document, u->line, tokens);
    const std::string_view words = wording::trimmed(piece);
    const std::size_t begin = static_cast<std::size_t>(words.data() - piece.data());
    const std::size_t end = begin + words.size();
    switch (u->as) {
      case Taken::As::Open:
      case Taken::As::Close:
      case Taken::As::Marker:
        line.add(u->from, u->from + piece.size(), kTag);
        break;
      case Taken::As::Outside:
        line.add(u->from + begin, u->from + end, u->looks_like_tag ? kNotTag : kComment);
        break;
      case Taken::As::Data: {
        if (u->looks_like_tag) {
          line.add(u->from + begin, u->from + end, kNotTag);
          break;
        }
        const SectionShape& s = numbered[u->section];
        const LineSpans spans = value_spans(piece, s.line);
        for (std::size_t k = 0; k < spans.values.size() && spans.values[k].read; ++k)
          value(line, piece, u->from, s.line[k], spans.values[k].begin, spans.values[k].end);
        break;
      }
    }
  }
  return std::move(tokens.data());
}

namespace {

void append_numbers(std::string& out, std::span<const std::uint32_t> numbers) {
  out += '[';
  char digits[16];
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) out += ',';
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, numbers[i]);
    (void)error;
    out.append(digits, end);
  }
  out += ']';
}

}  // namespace

std::string tokens_json(std::span<const std::uint32_t> data, std::string_view id) {
  std::string out = "{";
  if (!id.empty()) out.append("\"resultId\":\"").append(id).append("\",");
  out += "\"data\":";
  append_numbers(out, data);
  return out + "}";
}

std::string tokens_delta_json(std::span<const std::uint32_t> before,
                              std::span<const std::uint32_t> after, std::string_view id) {
  std::size_t same_front = 0;
  while (same_front < before.size() && same_front < after.size() &&
         before[same_front] == after[same_front])
    ++same_front;
  std::size_t same_back = 0;
  while (same_back < before.size() - same_front && same_back < after.size() - same_front &&
         before[before.size() - 1 - same_back] == after[after.size() - 1 - same_back])
    ++same_back;
  std::string out = "{\"resultId\":\"";
  out.append(id).append("\",\"edits\":[");
  if (same_front != before.size() || same_front != after.size()) {
    out += "{\"start\":" + std::to_string(same_front) +
           ",\"deleteCount\":" + std::to_string(before.size() - same_front - same_back) +
           ",\"data\":";
    append_numbers(out, after.subspan(same_front, after.size() - same_front - same_back));
    out += '}';
  }
  return out + "]}";
}

}  // namespace kelv::lsp
