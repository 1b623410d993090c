#include "inspect/diagnostics.h"

#include <utility>

namespace kelv {

template <class Make>
void Diagnostics::keep(const Make& make) {
  if (told_++ < kMostKept) kept_.push_back(make());
}

// Some notes tell again what another note of the same line tells better; they are echoes, and
// not told:
// - every note of the empty line after a final line feed: it is no slip of the author's, and
//   what it does to an open section is told by that section being open at the end;
// - a line that looks like a tag and is read as data fails to scan, too: the tag says what is
//   wrong;
// - but lines joined by a lone carriage return look like no tag: the line ends say why;
// - a line longer than the line buffer arrives in pieces: it is told once, at its second piece.
bool Diagnostics::echo(const Note& n) {
  if (n.where.final_empty) return true;
  if (n.line == tag_line_ && (n.is<seen::ScanStopped>() || n.is<seen::ExtraValues>())) return true;
  if (n.is<seen::LoneCr>()) lone_cr_ = n.line;
  if (n.is<seen::UnknownTag>() || n.is<seen::TagAsData>()) {
    if (n.line == lone_cr_) return true;
    tag_line_ = n.line;
  }
  if (n.is<seen::LinePiece>()) {
    if (n.line == long_line_) return true;
    long_line_ = n.line;
  }
  return false;
}

void Diagnostics::note(const Note& n) {
  if (echo(n)) return;
  urgent_ = urgent_ || n.is<seen::HugeTable>();
  keep([&] { return messages_(n); });
}

void Diagnostics::refused(std::uint32_t line, std::string_view why) {
  keep([&] { return messages_.refused(line, why); });
}

void Diagnostics::unknown_name(const Line& line, std::string_view value, std::string_view section,
                               bool known) {
  keep([&] {
    return messages_.unknown_name(line.number(), Columns::of(line.text(), value), value, section,
                                  known);
  });
}

std::vector<Finding> Diagnostics::findings() const {
  std::vector<Finding> out = kept_;
  sort_by_place(out);
  if (told_ > kept_.size()) out.push_back(messages_.more(told_ - kept_.size()));
  return out;
}

}  // namespace kelv
