#include "inspect/diagnostics.h"

#include <algorithm>

#include "format/counted_table.h"
#include "format/scan.h"
#include "inspect/shown_text.h"

namespace kelv {
namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_space(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && is_space(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
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

std::string kind_of(const ValueShape& v) {
  switch (v.kind) {
    case ValueKind::Int:
      return "a number";
    case ValueKind::Real:
      return "a real number";
    case ValueKind::Word:
      return "a word";
    case ValueKind::Text:
      return "a text";
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

std::string count_where(std::uint32_t line) {
  return line == 0 ? std::string() : " (line " + std::to_string(line) + ")";
}

std::string mib(std::int64_t bytes) {
  return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

}  // namespace

std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary) {
  const std::string wanted = lower(trimmed(text));
  std::string best;
  std::size_t best_distance = 4;  // farther than this is no likely slip
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      for (const bool closing : {false, true}) {
        if (s.role == Role::Marker && !closing) continue;
        const std::string candidate = tag_of(s.name, closing);
        const std::size_t d = distance(wanted, candidate);
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

void Diagnostics::tell(std::uint32_t line, std::string message, std::string_view kind) {
  ++told_;
  if (told_lines_.size() == kMostKept) return;
  told_lines_.push_back({line, path_ + ":" + std::to_string(line) + ": warning: " + message + " [" +
                                   std::string(kind) + "]"});
}

void Diagnostics::refused(std::uint32_t line, std::string_view why) {
  tell(line, "the file is refused, and nothing is written for it: " + std::string(why), "refused");
}

void Diagnostics::note(const Finding& f) {
  const std::string section = f.section.empty() ? "" : tag_of(f.section);
  const std::string value =
      f.value == nullptr ? "" : " (" + f.value->name() + ", " + kind_of(*f.value) + ")";
  // The empty line a final line feed leaves is no slip of the author's: what it does to an open
  // section is told by that section being open at the end.
  if (f.line == final_empty_ && f.note != Note::OpenAtEnd && f.note != Note::FewerLines) return;
  // A tag read as data fails to scan, too: the tag says what is wrong.
  if (f.line == tag_line_ && f.note == Note::ScanStopped) return;
  switch (f.note) {
    case Note::OutsideSections:
      return;  // comment text
    case Note::FinalEmptyLine:
      final_empty_ = f.line;
      return;
    case Note::LinePiece:
      if (f.line == last_piece_) return;
      last_piece_ = f.line;
      tell(f.line,
           "the line is longer than the " + std::to_string(vocabulary_.line_buffer - 1) +
               " bytes the reader takes at once: the rest is read as a line of its own",
           "long-line");
      return;
    case Note::CutAtNul:
      tell(f.line, "a NUL byte ends the line's text: what follows it is lost", "nul");
      return;
    case Note::UnknownTag:
    case Note::TagAsData: {
      tag_line_ = f.line;
      const std::string_view t = trimmed(f.found);
      std::string message;
      if (f.note == Note::TagAsData && is_tag_of(f.found, vocabulary_)) {
        message = "the tag " + std::string(f.found) + " is read as a line of " + section +
                  ", which is open since line " + std::to_string(f.since) + ": is " +
                  tag_of(f.section, true) + " missing?";
        tell(f.line, message, "tag-as-data");
        return;
      }
      message = quoted(f.found) + " looks like a tag, but is none of this file's";
      if (is_tag_of(t, vocabulary_)) {
        message += " (blanks around it)";
      } else if (is_tag_of(lower(t), vocabulary_)) {
        message += " (tags are lower case)";
      }
      if (const std::string near = nearest_tag(f.found, vocabulary_); !near.empty()) {
        message += "; did you mean " + near + "?";
      }
      if (f.note == Note::TagAsData) {
        message += " It is read as a line of " + section + ", open since line " +
                   std::to_string(f.since) + ".";
      }
      tell(f.line, message, "unknown-tag");
      return;
    }
    case Note::ScanStopped: {
      const std::int64_t at = f.a + 1;
      const std::string_view rest = trimmed(f.found);
      if (f.a == 0 && rest.empty() && f.b > 1) {
        tell(f.line,
             role_of(f.section) == Role::Records
                 ? "the line is empty, and takes a record all the same: its values stay 0"
                 : "the line is empty: it changes nothing",
             "empty-line");
        return;
      }
      std::string message =
          f.b == 1 ? "the line"
                   : "value " + std::to_string(at) + " of " + std::to_string(f.b) + value;
      if (rest.empty()) {
        message += f.b == 1 ? " holds no " + kind_of(*f.value).substr(2)
                            : " is missing: the line ends after " + std::to_string(f.a) +
                                  (f.a == 1 ? " value" : " values");
      } else {
        message += (f.b == 1 ? " has " : ": found ") + first_word(rest) + " where " +
                   kind_of(*f.value) + " belongs";
      }
      message += f.b == 1 ? ": the value stays as it was"
                          : (at == f.b ? "; it keeps what it held"
                                       : "; it and the values after it keep what they held");
      tell(f.line, message, "scan");
      return;
    }
    case Note::WordCut:
    case Note::TextCut:
      tell(f.line,
           (f.note == Note::WordCut ? "value " + std::to_string(f.b + 1) + value
                                    : std::string("the line")) +
               " is longer than its field: cut to " + std::to_string(f.a - 1) + " bytes",
           "cut");
      return;
    case Note::NumberWrapped:
      tell(f.line,
           (f.value != nullptr && f.value->stem == kCountValue.stem
                ? std::string("the count")
                : "value " + std::to_string(f.a + 1) + value) +
               " does not fit 32 bits: it is taken modulo 2^32",
           "wrapped");
      return;
    case Note::LineUnused: {
      std::string message = "this line of " + section;
      if (f.b == 1) {
        message += " finds no row: the section takes " + std::to_string(f.a) + " lines";
      } else if (f.b == 2) {
        message += " is dropped: with it the field would pass the 2 GiB it can hold";
      } else if (f.a < 0) {
        message += " finds no record: no count line made a table" +
                   (f.counted_at == 0 ? " before it" : count_where(f.counted_at));
      } else {
        message += " finds no record: the count " + std::to_string(f.a) +
                   count_where(f.counted_at) + " is used up";
      }
      tell(f.line, message, "unused-line");
      return;
    }
    case Note::CountClamped:
      tell(f.line,
           "the count " + std::to_string(f.a) + " is more than this list holds: it is taken as " +
               std::to_string(f.b),
           "count");
      return;
    case Note::TableRefused:
      tell(f.line,
           "the count " + std::to_string(f.a) +
               (f.a < 0 ? " is negative" : " is too large for the data file's 2 GiB fields") +
               ": no table is made, and the lines it counts find no record",
           "count");
      return;
    case Note::HugeTable:
      tell(f.line,
           "the count " + std::to_string(f.a) + " makes a table of " + mib(f.b) +
               ", and the data file will be as large: a digit too many?",
           "count");
      return;
    case Note::FewerLines:
      tell(f.line,
           section + " ends with " + std::to_string(f.a) + (f.a == 1 ? " record" : " records") +
               " of its table given no line" +
               (f.counted_at == 0 ? std::string()
                                  : " (the count is at line " + std::to_string(f.counted_at) + ")"),
           "fewer-lines");
      return;
    case Note::OpenAtEnd:
      tell(f.line,
           section + " is still open at the end of the file: " + tag_of(f.section, true) +
               " is missing",
           "open-at-end");
      return;
  }
}

std::vector<std::string> Diagnostics::lines() const {
  std::vector<Told> sorted = told_lines_;
  std::ranges::stable_sort(sorted, {}, &Told::line);
  std::vector<std::string> out;
  for (Told& t : sorted)
    out.push_back(std::move(t.text));
  if (told_ > told_lines_.size()) {
    out.push_back(path_ + ": warning: and " + std::to_string(told_ - told_lines_.size()) +
                  " more findings [more]");
  }
  return out;
}

}  // namespace kelv
