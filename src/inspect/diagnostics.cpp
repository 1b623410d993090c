#include "inspect/diagnostics.h"

#include <algorithm>
#include <utility>

#include "format/tags.h"
#include "inspect/wording.h"

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
//   wrong; so does a real number where an integer belongs, which leaves its fraction behind;
// - but lines joined by a lone carriage return look like no tag: the line ends say why;
// - a line longer than the line buffer arrives in pieces: it is told once, at its second piece;
// - a stray closing tag that set its section's count lower leaves the lines that come after it
//   without a record: the stray tag says why;
// - a tag that ends an entry, read as a line of an open section, leaves an entry fewer ended:
//   the entries written empty for that are not told again;
// - what a tag with text after it does to the sections (see echo_of_tag_with_text).
bool Diagnostics::echo(const Note& n) {
  if (n.where.final_empty || echo_of_tag_with_text(n)) return true;
  const bool scanned = n.is<seen::ScanStopped>() || n.is<seen::ExtraValues>();
  if (scanned && (n.line == tag_line_ || n.line == real_line_)) return true;
  if (n.is<seen::RealForInteger>()) real_line_ = n.line;
  if (n.is<seen::LoneCr>()) lone_cr_ = n.line;
  if (const auto* tag = std::get_if<seen::TagAsData>(&n.what);
      tag != nullptr && tag->text.starts_with("</") &&
      wording::role_of(tag->text.substr(2, tag->text.size() - 3), vocabulary_) == Role::Marker) {
    ++swallowed_ends_;
  }
  if (const auto* fewer = std::get_if<seen::FewerLines>(&n.what);
      fewer != nullptr && fewer->how == seen::FewerLines::How::Entries &&
      fewer->left <= swallowed_ends_) {
    return true;
  }
  if (n.is<seen::UnknownTag>() || n.is<seen::TagAsData>() || n.is<seen::TagWithText>()) {
    if (n.line == lone_cr_) return true;
    tag_line_ = n.line;
  }
  if (n.is<seen::LinePiece>()) {
    if (n.line == long_line_) return true;
    long_line_ = n.line;
  }
  if (const auto* stray = std::get_if<seen::StrayClose>(&n.what); stray && stray->dropped > 0) {
    count_set_in_ = stray->tag.substr(2, stray->tag.size() - 3);
    count_set_to_ = stray->count;
  }
  if (const auto* unused = std::get_if<seen::LineUnused>(&n.what);
      unused != nullptr && unused->why == seen::LineUnused::Why::CountUsedUp &&
      n.where.section == count_set_in_ && unused->limit == count_set_to_) {
    return true;
  }
  return false;
}

// A tag with text after it is no tag. An opening tag so leaves its section unopened: its closing
// tag then closes nothing, its records find no table where it is a count, and its lines never
// come where it is a data section. A closing tag so leaves its section open: whatever follows is
// read as its lines, until a tag listed before it, and the section may be open at the end.
bool Diagnostics::echo_of_tag_with_text(const Note& n) {
  if (const auto* tag = std::get_if<seen::TagWithText>(&n.what)) {
    if (!tag->closing) {
      unopened_ = tag->name;
      unopened_close_ = true;
    } else if (tag->name == n.where.section) {
      unclosed_ = tag->name;
      unclosed_at_ = n.where.opened_at;
    }
    return false;
  }
  if (!unclosed_.empty() && n.where.section == unclosed_ && n.where.opened_at == unclosed_at_) {
    return true;
  }
  if (unopened_.empty()) return false;
  if (const auto* stray = std::get_if<seen::StrayClose>(&n.what)) {
    const bool its_own = unopened_close_ && stray->tag == tag_of(unopened_, true);
    if (its_own) unopened_close_ = false;
    return its_own;
  }
  if (const auto* unused = std::get_if<seen::LineUnused>(&n.what)) {
    return unused->why == seen::LineUnused::Why::NoTable && n.where.counted_at == 0 &&
           wording::count_of(n.where.section, vocabulary_) == unopened_;
  }
  if (const auto* fewer = std::get_if<seen::FewerLines>(&n.what)) {
    return fewer->how == seen::FewerLines::How::NoSection && fewer->section == unopened_;
  }
  return false;
}

void Diagnostics::forget_fewer_lines(std::uint32_t counted_at) {
  if (counted_at == 0) return;
  told_ -= std::erase_if(kept_, [&](const Finding& f) {
    return f.kind == &finding::kFewerLines && std::ranges::any_of(f.related, [&](const Related& r) {
             return r.what == Related::What::CountGiven && r.line == counted_at;
           });
  });
}

void Diagnostics::note(const Note& n) {
  if (n.is<seen::LooksUtf16>()) {
    utf16_ = {messages_(n)};
    return;
  }
  if (echo(n)) return;
  if (n.is<seen::RecordsLost>()) forget_fewer_lines(n.where.counted_at);
  urgent_ = urgent_ || n.is<seen::HugeTable>();
  keep([&] { return messages_(n); });
}

void Diagnostics::refused(std::uint32_t line, std::string_view why) {
  keep([&] { return messages_.refused(line, why); });
}

void Diagnostics::unknown_name(const Line& line, std::string_view value, std::string_view section,
                               bool known, std::string_view meant) {
  keep([&] {
    return messages_.unknown_name(line.number(), Columns::of(line.text(), value), value, section,
                                  known, meant);
  });
}

std::vector<Finding> Diagnostics::findings() const {
  if (!utf16_.empty()) return utf16_;
  std::vector<Finding> out = kept_;
  sort_by_place(out);
  if (told_ > kept_.size()) out.push_back(messages_.more(told_ - kept_.size()));
  return out;
}

}  // namespace kelv
