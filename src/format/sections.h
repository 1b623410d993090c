// The section walker: the one read loop of every converter.
//
// A converter declares its vocabulary as an ordered table of sections; the walker reads the
// source line by line and offers each line to the sections in table order. For each section:
// a line equal to "<name>" opens it (the section state becomes its number), a line equal to
// "</name>" closes it (the state becomes 0), and while the state is its number any other line is
// one of its data lines. The first of these tests that holds decides. So while a section is open,
// the tags of the sections listed after it arrive as its data lines, and the tags of those listed
// before it are still recognised.
//
// A marker is a closing tag with no section of its own ("</shop_data>" and the like): it runs
// its action and leaves the state as it is.
//
// Beside its tag and handlers, every section says what its lines are (its role and its line
// format) and what else an author needs to know of it; --explain prints that, and the
// decompiler checks its lines against the tags.
//
// A converter may split its vocabulary into groups: then every line passes through each group
// in turn, and in each group the first test that holds ends the line's passage through it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/line_format.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "format/scan.h"
#include "format/text.h"
#include "language/tr.h"

namespace kelv {

// Where a data line stands: its open section, the line that opened it, and the line that gave
// the count of the table it fills (0 when none did).
struct LineContext {
  std::string_view section;
  std::uint32_t opened_at = 0;
  std::uint32_t counted_at = 0;
};

// One data line, as a section's handler sees it.
class Line {
 public:
  Line(std::string_view text, int state, std::uint32_t number, Report& report,
       const LineContext& where = {})
      : text_(text), state_(state), number_(number), report_(report), where_(where) {}

  std::string_view text() const { return text_; }
  // The number of the open section (its 1-based place in the converter's table).
  int state() const { return state_; }
  std::uint32_t number() const { return number_; }
  // The record of its table the line fills (from 0), for what is told of it.
  void at_record(std::int64_t record) const { record_ = record; }

  // Reads the line into `record` by its line format; a scan that stops early, values left over
  // after the last, a word or text cut to its field and a number wrapped are reported, and so
  // is every number that indexes another kind's list.
  template <class R, std::size_t N>
  ScanResult scan(const LineFormat<R, N>& format, R& record) const {
    const ScanResult r = scan_line(text_, format, record);
    const auto matched = static_cast<std::size_t>(r.matched);
    if (!r.complete()) {
      Finding f = finding(Note::ScanStopped, r.matched, r.wanted, &format.shapes[matched]);
      f.found = text_.substr(r.stopped_at);
      f.column = static_cast<std::uint32_t>(r.stopped_at + 1);
      f.unreached_empty = true;
      for (std::size_t i = matched; i < N; ++i)
        f.unreached_empty =
            f.unreached_empty && as_new(format.shapes[i], format.values[i].in(record));
      report_.note(f);
    } else if (!is_text_line(format)) {
      extra_values(r.stopped_at, N, &format.shapes[N - 1],
                   format.shapes[N - 1].kind == ValueKind::Word
                       ? text_of({static_cast<const char*>(format.values[N - 1].in(record)),
                                  format.shapes[N - 1].size})
                       : std::string_view());
    }
    if (r.word_cut) {
      const ValueShape& cut = format.shapes[static_cast<std::size_t>(r.cut_value)];
      Finding f = finding(cut.kind == ValueKind::Text ? Note::TextCut : Note::WordCut,
                          static_cast<std::int64_t>(r.cut_field), r.cut_value, &cut);
      f.half_character = ends_in_half_character(
          text_of({static_cast<const char*>(
                       format.values[static_cast<std::size_t>(r.cut_value)].in(record)),
                   cut.size}));
      report_.note(f);
    }
    if (r.wrapped) {
      tell(Note::NumberWrapped, r.wrapped_value, 0,
           &format.shapes[static_cast<std::size_t>(r.wrapped_value)]);
    }
    for (std::size_t i = 0; i < matched; ++i) {
      const ValueShape& s = format.shapes[i];
      if (s.refers != 0 && s.kind == ValueKind::Int) {
        tell(Note::Reference, *static_cast<const std::int32_t*>(format.values[i].in(record)),
             s.refers, &s);
      }
    }
    return r;
  }

  // Reads one number, the line's only value, into `v`: a count line or a single setting.
  ScanResult scan_number(std::int32_t& v, const ValueShape& shape) const {
    const scan_detail::Target t{ValueKind::Int, &v, sizeof v};
    const ScanResult r = scan_targets(text_, {&t, 1});
    if (!r.complete()) {
      Finding f = finding(Note::ScanStopped, 0, 1, &shape);
      f.found = text_.substr(r.stopped_at);
      f.column = static_cast<std::uint32_t>(r.stopped_at + 1);
      report_.note(f);
    } else {
      extra_values(r.stopped_at, 1, &shape, {});
    }
    if (r.wrapped) tell(Note::NumberWrapped, 0, 0, &shape);
    return r;
  }

  void note(Note what, std::int64_t a = 0, std::int64_t b = 0) const { tell(what, a, b); }
  // A finding about `found`, a part of the line.
  void note(Note what, std::string_view found, std::int64_t a) const {
    Finding f = finding(what, a, 0);
    f.found = found;
    f.column = static_cast<std::uint32_t>(found.data() - text_.data() + 1);
    report_.note(f);
  }

 private:
  Finding finding(Note what, std::int64_t a, std::int64_t b,
                  const ValueShape* value = nullptr) const {
    Finding f{what, number_, a, b, value, {}, where_.section, where_.opened_at, where_.counted_at};
    f.record = record_;
    return f;
  }
  void tell(Note what, std::int64_t a, std::int64_t b, const ValueShape* value = nullptr) const {
    report_.note(finding(what, a, b, value));
  }
  // What follows the line's last value, from `from` on, if anything: dropped.
  void extra_values(std::size_t from, std::size_t values, const ValueShape* last,
                    std::string_view taken) const {
    while (from < text_.size() && is_space(text_[from]))
      ++from;
    if (from == text_.size()) return;
    std::string_view rest = text_.substr(from);
    while (!rest.empty() && is_space(rest.back()))
      rest.remove_suffix(1);
    Finding f = finding(Note::ExtraValues, static_cast<std::int64_t>(values), 0, last);
    f.found = rest;
    f.column = static_cast<std::uint32_t>(from + 1);
    f.taken = taken;
    report_.note(f);
  }

  std::string_view text_;
  int state_;
  std::uint32_t number_;
  Report& report_;
  LineContext where_;
  mutable std::int64_t record_ = -1;
};

// What a section's lines are.
enum class Role : std::uint8_t {
  Value,    // its lines fill values that are not a table's: the last line wins
  Count,    // its line gives the number of records of a table
  Records,  // each line fills the next record of a table
  Marker,   // no section: only its closing tag, which moves on to the next entry
};

// A section as --explain, the diagnostics and the decompiler see it: no converter type.
struct SectionShape {
  std::string_view name;
  Role role = Role::Value;
  std::span<const ValueShape> line;  // the values of its lines, in line order
  Text note;                         // what else an author needs to know of it
  bool restarts = false;             // records: its opening tag starts again at the first record
  bool keeps = false;                // what it gives is kept for the next file of the kind
};

class DataWriter;
class DataReader;
class SourceWriter;

// A converter's vocabulary entry: a section of its source, as the walker reads it, and what else
// it stands for: the field of the data file that holds what it gives (the same step writes the
// field and reads it back), and the lines that give it back in a decompiled source. A converter
// lists its sections once; everything else about its files follows from that list.
template <class C>
struct Section {
  std::string_view name;                       // the tag name, without "<", "/" and ">"
  void (*on_data)(C&, const Line&) = nullptr;  // a data line while the section is open
  void (*on_open)(C&) = nullptr;               // after "<name>" opened it
  void (*on_close)(C&) = nullptr;              // after "</name>" closed it
  Role role = Role::Value;                     // a Marker has only "</name>", which keeps the state
  bool restarts = false;  // Records: the opening tag starts again at the first record
  bool keeps = false;     // what it gives is kept for the next file of the kind in the run
  // Records: how many records of the table it fills no line has given yet (asked when the
  // section is left, to tell of a section shorter than its count).
  std::int64_t (*unfilled)(C&) = nullptr;
  // Records: its closing tag makes the count the number of records its lines gave, so a section
  // it closes leaves no record without a line.
  bool closing_sets_count = false;
  std::span<const ValueShape> line = {};  // the values of its data lines
  Text note = {};

  // Its field in the data file, written and read back; none where the section has no field of
  // its own (the field count then counts it only where the converter says so).
  void (*write)(DataWriter&, C&, const Section&) = nullptr;
  void (*load)(DataReader&, C&, const Section&) = nullptr;
  // Its lines in a decompiled source, in the place of the section in the list.
  void (*decompile)(SourceWriter&, const C&, const Section&) = nullptr;
  // A section of an entry (a shop, a group, an effect, a flag): its lines for entry `e`. The
  // decompiler gives every entry's sections in list order after the count of the entries, each
  // entry ended by the marker of the list, where there is one.
  void (*decompile_entry)(SourceWriter&, const C&, const Section&, std::size_t e) = nullptr;
  // The count section of the entries: how many there are to give back.
  std::size_t (*entries)(const C&) = nullptr;

  constexpr bool marker() const { return role == Role::Marker; }
  constexpr SectionShape shape() const { return {name, role, line, note, restarts, keeps}; }
};

// The tag "<name>", or "</name>" when `closing`.
inline std::string tag_of(std::string_view name, bool closing = false) {
  std::string tag(closing ? "</" : "<");
  tag += name;
  tag += '>';
  return tag;
}

// A converter's source format as an author needs it, made from its section list.
struct Vocabulary {
  Text about;                   // what the file holds
  std::size_t line_buffer = 0;  // kShortLines or kLongLines
  // The sections in the order the reader tests them; several groups when every line passes
  // through each group in turn.
  std::vector<std::vector<SectionShape>> groups;
};

template <class C>
using Group = std::span<const Section<C>>;

namespace walk_detail {

inline bool is_open_tag(std::string_view line, std::string_view name) {
  return line.size() == name.size() + 2 && line.front() == '<' && line.back() == '>' &&
         line.substr(1, name.size()) == name;
}

inline bool is_close_tag(std::string_view line, std::string_view name) {
  return line.size() == name.size() + 3 && line[0] == '<' && line[1] == '/' && line.back() == '>' &&
         line.substr(2, name.size()) == name;
}

// The Shift-JIS full-width blank, which looks like a blank and is none to the read rules.
inline constexpr std::string_view kWideBlank = "\x81\x40";

// `line` without the blanks around it, full-width ones too.
inline std::string_view without_blanks(std::string_view line) {
  for (bool more = true; more;) {
    more = false;
    while (!line.empty() && is_space(line.front()))
      line.remove_prefix(1), more = true;
    while (!line.empty() && is_space(line.back()))
      line.remove_suffix(1), more = true;
    if (line.starts_with(kWideBlank)) line.remove_prefix(2), more = true;
    if (line.ends_with(kWideBlank) && !ends_in_half_character(line.substr(0, line.size() - 2)))
      line.remove_suffix(2), more = true;
  }
  return line;
}

// "<...>" give or take blanks: worth a word when nothing recognised it.
inline bool looks_like_tag(std::string_view line) {
  line = without_blanks(line);
  return line.size() >= 3 && line.front() == '<' && line.back() == '>';
}

// Watches the text of a file for what says it was not saved as the read rules read it: a UTF-8
// byte order mark, text beyond ASCII that is all valid UTF-8 (and so hardly Shift-JIS), carriage
// returns without line feeds.
class EncodingWatch {
 public:
  void line(std::string_view text, std::uint32_t number, Report& report) {
    if (number == 1 && text.starts_with("\xEF\xBB\xBF")) {
      report.note({Note::Utf8Mark, 1});
      text.remove_prefix(3);  // told already; the rest of the file may still look like UTF-8
    }
    // A carriage return that ends the line is the text's own (the decompiler writes one so);
    // one with more of the line after it joined two lines.
    if (const std::size_t cr = text.find('\r');
        !cr_told_ && cr != std::string_view::npos && cr + 1 < text.size()) {
      report.note({Note::LoneCr, number});
      cr_told_ = true;
    }
    if (!utf8_) return;
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
      if (!valid) {
        utf8_ = false;
        return;
      }
      if (first_ == 0) first_ = number;
      i += n;
    }
  }
  void end(Report& report) const {
    if (utf8_ && first_ != 0) report.note({Note::LooksUtf8, first_});
  }

 private:
  bool utf8_ = true;         // no byte beyond ASCII has broken UTF-8 yet
  std::uint32_t first_ = 0;  // the first line with text beyond ASCII
  bool cr_told_ = false;
};

}  // namespace walk_detail

// Reads the whole source through the groups of sections. `line_buffer` is kShortLines or
// kLongLines. The section state starts at 0; every section's number is its 1-based place in the
// groups taken one after the other.
template <class C>
void walk(ByteSource& source, std::size_t line_buffer, C& converter,
          std::span<const Group<C>> groups, Report& report) {
  // Every section by its number, and the number of the count section before it in its group.
  std::vector<const Section<C>*> numbered{nullptr};
  std::vector<std::size_t> counted_by{0};
  for (const Group<C>& group : groups) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      numbered.push_back(&group[i]);
      std::size_t count = 0;
      for (std::size_t k = i; k-- > 0 && count == 0;)
        count = group[k].role == Role::Count ? numbered.size() - 1 - (i - k) : 0;
      counted_by.push_back(count);
    }
  }
  std::vector<std::uint32_t> count_at(numbered.size(), 0);  // the last count line of each

  LineReader lines(source, line_buffer);
  walk_detail::EncodingWatch encoding;
  int state = 0;
  std::uint32_t opened_at = 0;
  // Leaving the open section: a data section may have left records without a line (unless its
  // own closing tag makes the count what the lines gave).
  const auto leave = [&](std::uint32_t where, bool by_own_tag = false) {
    const auto open = static_cast<std::size_t>(state);
    const Section<C>& s = *numbered[open];
    if (s.unfilled == nullptr || (by_own_tag && s.closing_sets_count)) return;
    if (const std::int64_t left = s.unfilled(converter); left > 0) {
      report.note({Note::FewerLines,
                   where,
                   left,
                   0,
                   nullptr,
                   {},
                   s.name,
                   opened_at,
                   count_at[counted_by[open]]});
    }
  };
  std::uint32_t last = 0;
  while (lines.next()) {
    const std::string_view text = lines.text();
    const std::uint32_t number = lines.line_number();
    last = number;
    if (lines.is_piece()) report.note({Note::LinePiece, number});
    if (lines.cut_at_nul()) report.note({Note::CutAtNul, number});
    encoding.line(text, number, report);
    bool taken = false;
    int base = 0;
    for (const Group<C>& group : groups) {
      for (std::size_t i = 0; i < group.size(); ++i) {
        const Section<C>& s = group[i];
        const int own = base + static_cast<int>(i) + 1;
        if (!s.marker() && walk_detail::is_open_tag(text, s.name)) {
          if (state != 0) leave(number);
          state = own;
          opened_at = number;
          if (s.on_open != nullptr) s.on_open(converter);
        } else if (walk_detail::is_close_tag(text, s.name)) {
          // A closing tag with no section of its own open closes nothing, or another section;
          // a marker's, and one that does something of its own, is meant so.
          if (!s.marker() && s.on_close == nullptr && state != own) {
            Finding f{Note::StrayClose, number};
            f.found = text;
            f.section = state != 0 ? numbered[static_cast<std::size_t>(state)]->name : "";
            f.since = state != 0 ? opened_at : 0;
            report.note(f);
          }
          if (!s.marker() && state != 0) leave(number, state == own);
          if (!s.marker()) state = 0;
          if (s.on_close != nullptr) s.on_close(converter);
        } else if (!s.marker() && state == own) {
          const auto at = static_cast<std::size_t>(own);
          const Line line(text, state, number, report,
                          {s.name, opened_at, count_at[counted_by[at]]});
          if (walk_detail::looks_like_tag(text)) {
            report.note({Note::TagAsData, number, 0, 0, nullptr, text, s.name, opened_at});
          }
          if (lines.is_final_empty()) line.note(Note::FinalEmptyLine);
          if (s.role == Role::Count) {
            count_at[at] = number;
            report.note({Note::CountLine, number, 0, 0, nullptr, {}, s.name});
          }
          if (s.on_data != nullptr) s.on_data(converter, line);
        } else {
          continue;
        }
        taken = true;
        break;
      }
      base += static_cast<int>(group.size());
    }
    if (!taken && !text.empty()) {
      report.note({walk_detail::looks_like_tag(text) ? Note::UnknownTag : Note::OutsideSections,
                   number, 0, 0, nullptr, text});
    }
  }
  encoding.end(report);
  if (state != 0) {
    const Section<C>& s = *numbered[static_cast<std::size_t>(state)];
    report.note({Note::OpenAtEnd, opened_at, 0, 0, nullptr, {}, s.name, opened_at});
    leave(last);
  }
}

}  // namespace kelv
