#include "lsp/document.h"

#include <algorithm>
#include <cstring>

namespace kelv::lsp {

Document::Line::Line(std::string_view utf8, End end) : text(utf8), end(end) {
  sjis = to_shift_jis(utf8, unencodable);
  if (sjis == text) sjis.clear();
}

std::string_view Document::end_of(End end) {
  switch (end) {
    case End::None:
      return {};
    case End::Lf:
      return "\n";
    case End::CrLf:
      return "\r\n";
    case End::Cr:
      return "\r";
  }
  return {};
}

void Document::split(std::string_view text, std::vector<Line>& out) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    End end = text[i] == '\n' ? End::Lf : End::Cr;
    if (end == End::Cr && i + 1 < text.size() && text[i + 1] == '\n') end = End::CrLf;
    out.emplace_back(text.substr(begin, i - begin), end);
    i += end == End::CrLf ? 1 : 0;
    begin = i + 1;
  }
  out.emplace_back(text.substr(begin), End::None);
}

Document::Document(std::string_view text, Encoding encoding) : encoding_(encoding) {
  split(text, lines_);
  index();
}

void Document::index() {
  first_.assign(2, 0);  // reader line 1 begins with the first line
  for (std::uint32_t l = 0; l + 1 < lines_.size(); ++l) {
    if (lines_[l].end == End::Lf || lines_[l].end == End::CrLf) first_.push_back(l + 1);
  }
  joined_.clear();
}

std::string_view Document::line(std::uint32_t l) const {
  return l < lines_.size() ? std::string_view(lines_[l].text) : std::string_view();
}

std::string_view Document::sjis(std::uint32_t l) const {
  if (l >= lines_.size()) return {};
  const Line& line = lines_[l];
  return line.sjis.empty() ? std::string_view(line.text) : std::string_view(line.sjis);
}

const std::vector<Unencodable>& Document::unencodable(std::uint32_t l) const {
  static const std::vector<Unencodable> none;
  return l < lines_.size() ? lines_[l].unencodable : none;
}

std::string Document::text() const {
  std::string out;
  for (const Line& l : lines_)
    out.append(l.text).append(end_of(l.end));
  return out;
}

std::uint32_t Document::end_column(std::uint32_t l) const {
  return static_cast<std::uint32_t>(columns(line(l), encoding_));
}

void Document::change(const std::optional<Range>& range, std::string_view text) {
  if (!range) {
    lines_.clear();
    split(text, lines_);
    index();
    return;
  }
  // The edit's ends as lines and bytes of their UTF-8, within the text; an end before the start
  // is the start.
  const auto place = [&](const Position& p) {
    if (p.line >= lines_.size()) {
      return std::pair<std::size_t, std::size_t>(lines_.size() - 1, lines_.back().text.size());
    }
    return std::pair<std::size_t, std::size_t>(
        p.line, offset_of(lines_[p.line].text, p.column, encoding_));
  };
  const auto begin = place(range->begin);
  const auto end = std::max(begin, place(range->end));
  std::size_t first = begin.first;
  const std::size_t last = end.first;
  // The lines from the edit's first to its last, line end and all, as they are after it.
  std::string edited = lines_[first].text.substr(0, begin.second);
  edited.append(text).append(std::string_view(lines_[last].text).substr(end.second));
  edited.append(end_of(lines_[last].end));
  // A carriage return that ended the line before, and a line feed the edit puts after it, are
  // one line end now.
  if (first > 0 && lines_[first - 1].end == End::Cr && edited.starts_with('\n')) {
    --first;
    edited.insert(0, lines_[first].text + "\r");
  }
  std::vector<Line> made;
  split(edited, made);
  // The line after the edit's last line begins where the edited text ends.
  if (lines_[last].end != End::None) made.pop_back();
  const std::size_t old = last - first + 1;
  const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(first);
  std::move(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(std::min(old, made.size())), at);
  if (made.size() < old) {
    lines_.erase(at + static_cast<std::ptrdiff_t>(made.size()), at + static_cast<std::ptrdiff_t>(old));
  } else {
    lines_.insert(at + static_cast<std::ptrdiff_t>(old),
                  std::make_move_iterator(made.begin() + static_cast<std::ptrdiff_t>(old)),
                  std::make_move_iterator(made.end()));
  }
  index();
}

std::size_t Document::Source::read(char* buffer, std::size_t size) {
  std::size_t n = 0;
  while (n < size && line_ < document_.lines_.size()) {
    const Line& l = document_.lines_[line_];
    const std::string_view text = document_.sjis(static_cast<std::uint32_t>(line_));
    const std::string_view end = end_of(l.end);
    if (at_ < text.size()) {
      const std::size_t take = std::min(size - n, text.size() - at_);
      std::memcpy(buffer + n, text.data() + at_, take);
      n += take;
      at_ += take;
      continue;
    }
    // The last line has no end, and its empty view may hold no pointer to copy from.
    const std::size_t take = std::min(size - n, text.size() + end.size() - at_);
    if (take > 0) std::memcpy(buffer + n, end.data() + (at_ - text.size()), take);
    n += take;
    at_ += take;
    if (at_ == text.size() + end.size()) {
      ++line_;
      at_ = 0;
    }
  }
  return n;
}

std::string Document::shift_jis() const {
  std::string out;
  for (std::uint32_t l = 0; l < lines_.size(); ++l)
    out.append(sjis(l)).append(end_of(lines_[l].end));
  return out;
}

std::pair<std::uint32_t, std::uint32_t> Document::lines_of(std::uint32_t reader_line) const {
  const std::uint32_t count = line_count();
  if (reader_line == 0) reader_line = 1;
  if (reader_line >= first_.size()) return {count - 1, count - 1};
  const std::uint32_t last = reader_line + 1 < first_.size() ? first_[reader_line + 1] - 1 : count - 1;
  return {first_[reader_line], last};
}

std::string_view Document::reader_line(std::uint32_t r) const {
  const auto [first, last] = lines_of(r);
  if (first == last) return sjis(first);
  for (const auto& [line, text] : joined_) {
    if (line == first) return text;
  }
  // Editor lines that lone carriage returns end: one reader line.
  std::string text(sjis(first));
  for (std::uint32_t l = first + 1; l <= last; ++l)
    text.append(1, '\r').append(sjis(l));
  return joined_.emplace_back(first, std::move(text)).second;
}

Position Document::position(const ReaderPlace& place) const {
  if (place.line >= first_.size()) {
    const std::uint32_t last = line_count() - 1;
    return {last, end_column(last)};
  }
  const auto [first, last] = lines_of(place.line);
  std::size_t base = 0;  // where editor line `l` begins in the reader line
  std::uint32_t l = first;
  while (l < last && place.byte > base + sjis(l).size()) {
    base += sjis(l).size() + 1;  // and the carriage return after it
    ++l;
  }
  return {l, cursor(l).at_sjis(place.byte - std::min(place.byte, base)).column};
}

ReaderPlace Document::reader_place(const Position& p) const {
  const std::uint32_t l = std::min(p.line, line_count() - 1);
  const std::size_t column = p.line < line_count() ? p.column : ~std::size_t{0};
  const auto it = std::upper_bound(first_.begin() + 1, first_.end(), l);
  const auto r = static_cast<std::uint32_t>(it - first_.begin() - 1);
  std::size_t byte = 0;
  for (std::uint32_t k = first_[r]; k < l; ++k)
    byte += sjis(k).size() + 1;
  return {r, byte + cursor(l).at_column(column).sjis};
}

}  // namespace kelv::lsp
