#include "inspect/diagnostics.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "format/counted_table.h"
#include "format/scan.h"
#include "format/spelling.h"
#include "inspect/shown_text.h"
#include "language/tr.h"

namespace kelv {
namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_space(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && is_space(s.back()))
    s.remove_suffix(1);
  return s;
}

bool is_tag_of(std::string_view text, const Vocabulary& vocabulary) {
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      if ((s.role != Role::Marker && text == tag_of(s.name)) || text == tag_of(s.name, true))
        return true;
    }
  }
  return false;
}

// What a value is, as a finding names it: "a number".
std::string kind_of(const ValueShape& v) {
  switch (v.kind) {
    case ValueKind::Int:
      return tr("a number")();
    case ValueKind::Real:
      return tr("a real number")();
    case ValueKind::Word:
      return tr("a word")();
    case ValueKind::Text:
      return tr("a text")();
  }
  return {};
}

// The same without its article: "number".
std::string noun_of(const ValueShape& v) {
  switch (v.kind) {
    case ValueKind::Int:
      return tr("number")();
    case ValueKind::Real:
      return tr("real number")();
    case ValueKind::Word:
      return tr("word")();
    case ValueKind::Text:
      return tr("text")();
  }
  return {};
}

// The first word of what a scan found, as the author wrote it.
std::string first_word(std::string_view s) {
  std::size_t n = 0;
  while (n < s.size() && !is_space(s[n]) && n < 24)
    n += is_sjis_lead(s[n]) && n + 1 < s.size() ? 2 : 1;
  return quoted(s.substr(0, n)) + (n < s.size() && !is_space(s[n]) ? "..." : "");
}

std::int64_t mib(std::int64_t bytes) {
  return (bytes + (1 << 20) - 1) >> 20;
}

}  // namespace

std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary) {
  const std::string wanted = lowered(trimmed(text));
  std::string best;
  std::size_t best_distance = 4;  // farther than this is no likely slip
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      for (const bool closing : {false, true}) {
        if (s.role == Role::Marker && !closing) continue;
        const std::string candidate = tag_of(s.name, closing);
        const std::size_t d = edit_distance(wanted, candidate);
        if (d < best_distance) {
          best_distance = d;
          best = candidate;
        }
      }
    }
  }
  return best;
}

Role Diagnostics::role_of(std::string_view section) const {
  for (const auto& group : vocabulary_.groups) {
    for (const SectionShape& s : group) {
      if (s.name == section) return s.role;
    }
  }
  return Role::Value;
}

std::string Diagnostics::name_of(const ValueShape& value, std::string_view section) const {
  const std::string name = value.name();
  const AuthorName* author = names_ != nullptr ? names_->find(kind_, section, name) : nullptr;
  return author == nullptr ? name : tr("{1} \"{2}\"")(name, author->label);
}

void Diagnostics::tell(const Finding& f, std::string message, std::string_view kind) {
  ++told_;
  if (told_lines_.size() == kMostKept) return;
  // "warning:" and the kind stay as they are: editors and build tools read them, the column
  // too where a finding has one.
  std::string where = path_ + ":" + std::to_string(f.line) + ":";
  if (f.column > 0) where += std::to_string(f.column) + ":";
  told_lines_.push_back(
      {f.line, f.column, where + " warning: " + message + " [" + std::string(kind) + "]"});
}

void Diagnostics::refused(std::uint32_t line, std::string_view why) {
  tell({Note::LineUnused, line}, tr("the file is refused, and nothing is written for it: {1}")(why),
       "refused");
}

namespace {

// A value's name as a stem and a number ("value" and 12 for "value12"; 0 without a number).
std::pair<std::string, int> numbered(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
    --digits;
  if (digits == name.size() || name.size() - digits > 6) return {name, 0};
  return {name.substr(0, digits), std::stoi(name.substr(digits))};
}

// The values from `first` on, `count` of them, as a list: "value3 to value16, word, text".
std::string values_from(const ValueShape* first, std::int64_t count,
                        const std::function<std::string(const ValueShape&)>& name) {
  std::string out;
  for (std::int64_t i = 0; i < count;) {
    std::int64_t j = i;
    while (j + 1 < count) {
      const auto a = numbered(first[j].name());
      const auto b = numbered(first[j + 1].name());
      if (a.second == 0 || a.first != b.first || b.second != a.second + 1 ||
          name(first[j]) != first[j].name() || name(first[j + 1]) != first[j + 1].name())
        break;
      ++j;
    }
    // A run of three or more numbered values is told by its ends; two are named each.
    if (j == i + 1) --j;
    const std::string part =
        j > i ? tr("{1} to {2}")(name(first[i]), name(first[j])) : name(first[i]);
    out = out.empty() ? part : tr("{1}, {2}")(out, part);
    i = j + 1;
  }
  return out;
}

}  // namespace

void Diagnostics::note(const Finding& f) {
  const std::string section = f.section.empty() ? "" : tag_of(f.section);
  const auto name = [&](const ValueShape& v) { return name_of(v, f.section); };
  // The empty line a final line feed leaves is no slip of the author's: what it does to an open
  // section is told by that section being open at the end.
  if (f.line == final_empty_ && f.note != Note::OpenAtEnd && f.note != Note::FewerLines) return;
  // A tag read as data fails to scan, too: the tag says what is wrong.
  if (f.line == tag_line_ && (f.note == Note::ScanStopped || f.note == Note::ExtraValues)) return;
  switch (f.note) {
    case Note::OutsideSections:
      return;  // comment text
    case Note::FinalEmptyLine:
      final_empty_ = f.line;
      return;
    case Note::CountLine:
      count_lines_[f.section] = f.line;
      return;
    case Note::Reference: {
      // A numbered value ("value2") is named with its section, where it is one of many alike.
      std::string value = name(*f.value);
      if (f.value->number != 0 && !f.section.empty()) value = tag_of(f.section) + " " + value;
      references_.push_back(
          {f.line, static_cast<std::int32_t>(f.a), static_cast<ListId>(f.b), std::move(value)});
      return;
    }
    case Note::LinePiece:
      if (f.line == last_piece_) return;
      last_piece_ = f.line;
      tell(f,
           tr("the line is longer than the {1} bytes the reader takes at once: the rest is read "
              "as a line of its own")(vocabulary_.line_buffer - 1),
           "long-line");
      return;
    case Note::CutAtNul:
      tell(f, tr("a NUL byte ends the line's text: what follows it is lost")(), "nul");
      return;
    case Note::UnknownTag:
    case Note::TagAsData: {
      // Lines joined by carriage returns look like no tag: the line ends say why.
      if (f.line == lone_cr_) return;
      tag_line_ = f.line;
      const std::string_view t = trimmed(f.found);
      if (f.note == Note::TagAsData && is_tag_of(f.found, vocabulary_)) {
        tell(f,
             tr("the tag {1} is read as a line of {2}, which is open since line {3}: is {4} "
                "missing?")(f.found, section, f.since, tag_of(f.section, true)),
             "tag-as-data");
        return;
      }
      const std::string found = quoted(f.found);
      const std::string_view bare = walk_detail::without_blanks(f.found);
      std::string message =
          bare != t && is_tag_of(bare, vocabulary_)
              ? tr("{1} looks like a tag, but is none of this file's (a full-width blank around "
                   "it)")(found)
          : is_tag_of(t, vocabulary_)
              ? tr("{1} looks like a tag, but is none of this file's (blanks around it)")(found)
          : is_tag_of(lowered(t), vocabulary_)
              ? tr("{1} looks like a tag, but is none of this file's (tags are lower case)")(found)
              : tr("{1} looks like a tag, but is none of this file's")(found);
      if (const std::string near = nearest_tag(bare, vocabulary_); !near.empty()) {
        message += tr("; did you mean {1}?")(near);
      }
      if (f.note == Note::TagAsData) {
        message += tr(" It is read as a line of {1}, open since line {2}.")(section, f.since);
      }
      tell(f, message, "unknown-tag");
      return;
    }
    case Note::StrayClose:
      tell(f,
           f.section.empty()
               ? tr("{1} closes no section: none is open")(f.found)
               : tr("{1} closes {2}, which is open since line {3}, and not its own section")(
                     f.found, section, f.since),
           "stray-close");
      return;
    case Note::ScanStopped: {
      const std::int64_t at = f.a + 1;
      const std::string_view rest = trimmed(f.found);
      if (f.a == 0 && rest.empty() && f.b > 1) {
        tell(f,
             role_of(f.section) == Role::Records
                 ? tr("the line is empty, and takes a record all the same: its values stay 0")()
                 : tr("the line is empty: it changes nothing")(),
             "empty-line");
        return;
      }
      // What the values the line did not reach hold now.
      const std::string left = values_from(f.value, f.b - f.a, name);
      const std::int64_t n = f.b - f.a;
      const std::string outcome =
          f.unreached_empty
              ? (f.record >= 0 ? tr("; record [{2}] keeps {3} at 0 or empty").n(n, f.record, left)
                               : tr("; {2} stays 0 or empty", "; {2} stay 0 or empty").n(n, left))
              : (f.record >= 0 ? tr("; record [{2}] keeps {3} as earlier lines gave it",
                                    "; record [{2}] keeps {3} as earlier lines gave them")
                                     .n(n, f.record, left)
                               : tr("; {2} keeps what earlier lines gave it",
                                    "; {2} keep what earlier lines gave them")
                                     .n(n, left));
      const bool wide_blank = rest.starts_with(walk_detail::kWideBlank);
      if (f.b == 1) {
        tell(f,
             (wide_blank ? tr("the line has a full-width blank where {1} belongs (values are "
                              "separated by half-width blanks only)")(kind_of(*f.value))
              : rest.empty()
                  ? tr("the line holds no {1}")(noun_of(*f.value))
                  : tr("the line has {1} where {2} belongs")(first_word(rest), kind_of(*f.value))) +
                 outcome,
             "scan");
        return;
      }
      const std::string value = name(*f.value);
      const std::string kind = kind_of(*f.value);
      std::string message =
          wide_blank
              ? tr("value {1} of {2} ({3}, {4}): a full-width blank stands where a blank "
                   "belongs (values are separated by half-width blanks only)")(at, f.b, value, kind)
          : rest.empty()
              ? tr("value {2} of {3} ({4}, {5}) is missing: the line ends after {1} value",
                   "value {2} of {3} ({4}, {5}) is missing: the line ends after {1} values")
                    .n(f.a, at, f.b, value, kind)
              : tr("value {1} of {2} ({3}, {4}): found {5} where {4} belongs")(at, f.b, value, kind,
                                                                               first_word(rest));
      tell(f, message + outcome, "scan");
      return;
    }
    case Note::ExtraValues: {
      const std::string dropped = quoted(f.found);
      tell(f,
           f.taken.empty()
               ? tr("the line holds more than its {1} value: {2} is dropped",
                    "the line holds more than its {1} values: {2} is dropped")
                     .n(f.a, dropped)
               : tr("the line holds more than its {1} value: {2} is dropped, and {3} took {4} "
                    "(a value too many, or a blank inside a word?)",
                    "the line holds more than its {1} values: {2} is dropped, and {3} took {4} "
                    "(a value too many, or a blank inside a word?)")
                     .n(f.a, dropped, name(*f.value), quoted(f.taken)),
           "extra-values");
      return;
    }
    case Note::WordCut:
      tell(f,
           f.half_character
               ? tr("value {1} ({2}, {3}) is longer than its field: cut to {4} bytes, which ends "
                    "in half of a double-byte character")(f.b + 1, name(*f.value),
                                                          kind_of(*f.value), f.a - 1)
               : tr("value {1} ({2}, {3}) is longer than its field: cut to {4} bytes")(
                     f.b + 1, name(*f.value), kind_of(*f.value), f.a - 1),
           "cut");
      return;
    case Note::TextCut:
      tell(f,
           f.half_character ? tr("the line is longer than its field: cut to {1} bytes, which "
                                 "ends in half of a double-byte character")(f.a - 1)
                            : tr("the line is longer than its field: cut to {1} bytes")(f.a - 1),
           "cut");
      return;
    case Note::NumberWrapped:
      tell(f,
           f.value != nullptr && f.value->stem == kCountValue.stem
               ? tr("the count does not fit 32 bits: it is taken modulo 2^32")()
               : tr("value {1} ({2}, {3}) does not fit 32 bits: it is taken modulo 2^32")(
                     f.a + 1, name(*f.value), kind_of(*f.value)),
           "wrapped");
      return;
    case Note::LineUnused: {
      std::string message;
      if (f.b == 1) {
        message = tr("this line of {1} finds no row: the section takes {2} lines")(section, f.a);
      } else if (f.b == 2) {
        message =
            tr("this line of {1} is dropped: with it the field would pass the 2 GiB it can "
               "hold")(section);
      } else if (f.a < 0) {
        message = f.counted_at == 0
                      ? tr("this line of {1} finds no record: no count line made a table before "
                           "it")(section)
                      : tr("this line of {1} finds no record: no count line made a table (line "
                           "{2})")(section, f.counted_at);
      } else {
        message =
            f.counted_at == 0
                ? tr("this line of {1} finds no record: the count {2} is used up")(section, f.a)
                : tr("this line of {1} finds no record: the count {2} (line {3}) is used "
                     "up")(section, f.a, f.counted_at);
      }
      tell(f, message, "unused-line");
      return;
    }
    case Note::CountClamped:
      tell(f, tr("the count {1} is more than this list holds: it is taken as {2}")(f.a, f.b),
           "count");
      return;
    case Note::TableRefused:
      tell(f,
           f.a < 0 ? tr("the count {1} is negative: no table is made, and the lines it counts "
                        "find no record")(f.a)
                   : tr("the count {1} is too large for the data file's 2 GiB fields: no table is "
                        "made, and the lines it counts find no record")(f.a),
           "count");
      return;
    case Note::HugeTable:
      urgent_ = true;
      tell(f,
           tr("the count {1} makes a table of {2} MiB, and the data file will be as large: a "
              "digit too many?")(f.a, mib(f.b)),
           "count");
      return;
    case Note::FewerLines: {
      std::string message = tr("{2} ends with {1} record of its table given no line",
                               "{2} ends with {1} records of its table given no line")
                                .n(f.a, section);
      if (f.counted_at != 0) message += tr(" (the count is at line {1})")(f.counted_at);
      tell(f, message, "fewer-lines");
      return;
    }
    case Note::OpenAtEnd:
      tell(f,
           tr("{1} is still open at the end of the file: {2} is missing")(section,
                                                                          tag_of(f.section, true)),
           "open-at-end");
      return;
    case Note::LoneCr:
      lone_cr_ = f.line;
      tell(f,
           tr("the line holds a carriage return without a line feed: lines that end so are read "
              "as one line (save the file with CR LF or LF line ends)")(),
           "line-ends");
      return;
    case Note::Utf8Mark:
      tell(f,
           tr("the file starts with a UTF-8 byte order mark: sources are read as Shift-JIS (code "
              "page 932), and the first line is not what it seems")(),
           "encoding");
      return;
    case Note::LooksUtf8:
      tell(f,
           tr("saved as UTF-8? sources are read as Shift-JIS (code page 932), and the text beyond "
              "ASCII from this line on reads as other characters")(),
           "encoding");
      return;
    case Note::UnknownName:
      tell(f,
           f.a == 0 ? tr("{1} names no value of {2}: --explain tells its values")(quoted(f.found),
                                                                                  section)
                    : tr("{1} is given no name: a line holds the value, the author's name, and "
                         "a description if any")(quoted(f.found)),
           "names");
      return;
  }
}

std::uint32_t Diagnostics::count_line() const {
  for (const auto& group : vocabulary_.groups) {
    for (const SectionShape& s : group) {
      if (s.role != Role::Count) continue;
      const auto it = count_lines_.find(s.name);
      return it == count_lines_.end() ? 0 : it->second;
    }
  }
  return 0;
}

std::vector<std::string> Diagnostics::lines() const {
  std::vector<Told> sorted = told_lines_;
  std::ranges::stable_sort(sorted, {}, [](const Told& t) { return std::pair(t.line, t.column); });
  std::vector<std::string> out;
  for (Told& t : sorted)
    out.push_back(std::move(t.text));
  if (told_ > told_lines_.size()) {
    const auto more = static_cast<std::int64_t>(told_ - told_lines_.size());
    out.push_back(path_ + ": warning: " +
                  tr("and {1} more finding", "and {1} more findings").n(more) + " [more]");
  }
  return out;
}

}  // namespace kelv
