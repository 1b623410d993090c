#include "lsp/document.h"

#include <algorithm>

namespace kelv::lsp {

void Document::index() {
  starts_.assign(1, 0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\n') {
      starts_.push_back(i + 1);
    } else if (text_[i] == '\r') {
      if (i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
      starts_.push_back(i + 1);
    }
  }
  converted_.reset();
}

std::string_view Document::line(std::uint32_t l) const {
  if (l >= starts_.size()) return {};
  const std::size_t begin = starts_[l];
  std::size_t end = l + 1 < starts_.size() ? starts_[l + 1] : text_.size();
  if (end > begin && text_[end - 1] == '\n') --end;
  if (end > begin && text_[end - 1] == '\r') --end;
  return std::string_view(text_).substr(begin, end - begin);
}

std::size_t Document::offset_of(const Position& p) const {
  if (p.line >= starts_.size()) return text_.size();
  return starts_[p.line] + lsp::offset_of(line(p.line), p.column, encoding_);
}

std::uint32_t Document::column_of(std::uint32_t l, std::size_t utf8_offset) const {
  const std::string_view text = line(l);
  return static_cast<std::uint32_t>(columns(text.substr(0, std::min(utf8_offset, text.size())), encoding_));
}

void Document::change(const std::optional<Range>& range, std::string_view text) {
  if (!range) {
    text_ = text;
  } else {
    const std::size_t begin = offset_of(range->begin);
    const std::size_t end = std::max(begin, offset_of(range->end));
    text_.replace(begin, end - begin, text);
  }
  index();
}

void Document::convert() const {
  if (converted_) return;
  Converted c;
  c.bytes.reserve(text_.size());
  c.lines.reserve(starts_.size());
  c.first.assign(2, 0);  // reader line 1 begins with the first line
  for (std::uint32_t l = 0; l < starts_.size(); ++l) {
    const std::string_view text = line(l);
    c.line_start.push_back(c.bytes.size());
    c.lines.emplace_back(text, l, c.unencodable);
    c.bytes += c.lines.back().bytes();
    // The line end as it is: ASCII in both texts.
    const std::size_t end = l + 1 < starts_.size() ? starts_[l + 1] : text_.size();
    const std::string_view line_end =
        std::string_view(text_).substr(starts_[l] + text.size(), end - starts_[l] - text.size());
    c.bytes += line_end;
    if (line_end.ends_with('\n')) c.first.push_back(l + 1);
  }
  converted_ = std::move(c);
}

const std::string& Document::shift_jis() const {
  convert();
  return converted_->bytes;
}

const std::vector<Unencodable>& Document::unencodable() const {
  convert();
  return converted_->unencodable;
}

std::uint32_t Document::reader_line_count() const {
  convert();
  return static_cast<std::uint32_t>(converted_->first.size() - 1);
}

std::pair<std::uint32_t, std::uint32_t> Document::lines_of(std::uint32_t reader_line) const {
  convert();
  const std::vector<std::uint32_t>& first = converted_->first;
  if (reader_line == 0) reader_line = 1;
  if (reader_line >= first.size()) return {line_count() - 1, line_count() - 1};
  const std::uint32_t last =
      reader_line + 1 < first.size() ? first[reader_line + 1] - 1 : line_count() - 1;
  return {first[reader_line], last};
}

std::string_view Document::reader_line(std::uint32_t r) const {
  const auto [first, last] = lines_of(r);
  const Converted& c = *converted_;
  const std::size_t begin = c.line_start[first];
  const std::size_t end = c.line_start[last] + c.lines[last].bytes().size();
  return std::string_view(c.bytes).substr(begin, end - begin);
}

Position Document::position(const ReaderPlace& place) const {
  convert();
  const Converted& c = *converted_;
  if (place.line >= c.first.size()) {
    const std::uint32_t last = line_count() - 1;
    return {last, column_of(last, line(last).size())};
  }
  const auto [first, last] = lines_of(place.line);
  const std::size_t base = c.line_start[first];
  std::uint32_t l = first;
  while (l < last && c.line_start[l + 1] - base <= place.byte)
    ++l;
  const std::size_t column = place.byte - std::min(place.byte, c.line_start[l] - base);
  return {l, column_of(l, c.lines[l].utf8_offset(column))};
}

ReaderPlace Document::reader_place(const Position& p) const {
  convert();
  const Converted& c = *converted_;
  const std::uint32_t l = std::min(p.line, line_count() - 1);
  const std::size_t offset = lsp::offset_of(line(l), p.line < line_count() ? p.column : ~0u, encoding_);
  const auto it = std::upper_bound(c.first.begin() + 1, c.first.end(), l);
  const auto r = static_cast<std::uint32_t>(it - c.first.begin() - 1);
  return {r, c.line_start[l] - c.line_start[c.first[r]] + c.lines[l].sjis_column(offset)};
}

}  // namespace kelv::lsp
