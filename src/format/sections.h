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
//
// A handler sees its data line as a Line (format/line.h); tag lines are told apart as
// format/tags.h says; the text of the whole file is watched for the marks of another encoding
// (format/encoding_watch.h). What the lines give the tables is kept in a tally
// (format/tally.h), from which the walk tells what the rules lose without a word: records a
// count line throws away, an entry filled anew, a count whose lines never come. What the walk
// took each line as is told to a WalkListener, where a reading has one (format/walk_listener.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "format/encoding_watch.h"
#include "format/line.h"
#include "format/line_format.h"
#include "format/line_reader.h"
#include "format/links.h"
#include "format/report.h"
#include "format/tags.h"
#include "format/tally.h"
#include "format/walk_listener.h"
#include "language/tr.h"

namespace kelv {

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
  bool carries_over = false;         // what it gives carries over to the next file of the kind
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
  bool restarts = false;      // Records: the opening tag starts again at the first record
  bool carries_over = false;  // what it gives carries over to the next file of the kind in the run
  // Records: how many records of the table it fills no line has given yet (asked when the
  // section is left, to tell of a section shorter than its count).
  std::int64_t (*unfilled)(C&) = nullptr;
  // Records: its closing tag makes the count the number of records its lines gave, wherever it
  // comes.
  bool closing_sets_count = false;
  // Records of an entry's list: its closing tag also ends the entry, as a marker does, wherever
  // it comes.
  bool closing_ends_entry = false;
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
  constexpr SectionShape shape() const { return {name, role, line, note, restarts, carries_over}; }
};

// A converter's source format as an author needs it, made from its section list.
struct Vocabulary {
  Text about;                   // what the file holds
  std::size_t line_buffer = 0;  // kShortLines or kLongLines
  // The sections in the order the reader tests them; several groups when every line passes
  // through each group in turn.
  std::vector<std::vector<SectionShape>> groups;

  // Whether the values of some section carry over to the next file of the kind in a run.
  bool carries_over() const {
    return std::ranges::any_of(groups, [](const auto& group) {
      return std::ranges::any_of(group, &SectionShape::carries_over);
    });
  }
};

template <class C>
using Group = std::span<const Section<C>>;

// One reading's walk through the sections: the section state, the line that opened the open
// section, and the last count line of each count section; and the tally of what the lines gave
// the tables, to tell what the rules lose without a word.
template <class C>
class Walk {
 public:
  Walk(C& converter, std::span<const Group<C>> groups, Report& report, LinkListener& links)
      : converter_(converter),
        groups_(groups),
        report_(report),
        links_(links),
        listener_(links.walk_listener()) {
    number_sections();
    tally_ = Tally(numbered_.size() - 1, entries_);
  }

  // A line of the source (or a piece of one): offered to each group in turn. Called from one
  // place, the read loop, into which it is always inlined.
  [[gnu::always_inline]] void line(std::string_view text, std::uint32_t number, bool final_empty) {
    bool taken = false;
    int base = 0;
    for (const Group<C>& group : groups_) {
      taken = offer(group, base, text, number, final_empty) || taken;
      base += static_cast<int>(group.size());
    }
    if (taken) return;
    // Other lines outside every section are comment text.
    const bool with_text = tag_with_text(text, number, {});
    const bool tag = looks_like_tag(text);
    if (tag && !with_text) report_.note({number, seen::UnknownTag{text}});
    if (listener_ != nullptr) tell(Taken::As::Outside, number, 0, tag);
  }

  // The line `number` comes in pieces: the one about to be read begins `taken` bytes after the
  // one before it.
  void piece(std::uint32_t number, std::uint32_t taken) {
    piece_from_ = piece_line_ == number ? piece_from_ + taken : taken;
    piece_line_ = number;
  }

  // After the last line, `last`: a section still open is left there; then what no line gave.
  void end(std::uint32_t last) {
    if (open_ != 0) {
      report_.note({opened_at_, seen::OpenAtEnd{}, {section().name, opened_at_}});
      leave(last);
    }
    for (const Tally::Waiting& w : tally_.stop_waiting(false))
      no_lines(w);
    entries_at_end();
  }

 private:
  // Every section by its number, the number of the count section before it in its group, the
  // records section each count section counts, the count of the entries and the tag that ends an
  // entry.
  void number_sections() {
    std::size_t all = 1;
    for (const Group<C>& group : groups_)
      all += group.size();
    numbered_.reserve(all);
    counted_by_.reserve(all);
    for (const Group<C>& group : groups_) {
      for (std::size_t i = 0; i < group.size(); ++i) {
        numbered_.push_back(&group[i]);
        std::size_t count = 0;
        for (std::size_t k = i; k-- > 0 && count == 0;)
          count = group[k].role == Role::Count ? numbered_.size() - 1 - (i - k) : 0;
        counted_by_.push_back(count);
      }
    }
    count_at_.assign(numbered_.size(), 0);
    records_since_open_.assign(numbered_.size(), 0);
    data_of_.assign(numbered_.size(), 0);
    for (std::size_t k = numbered_.size(); k-- > 1;) {
      const Section<C>& s = *numbered_[k];
      if (s.role == Role::Records && s.unfilled != nullptr) data_of_[counted_by_[k]] = k;
      if (s.role == Role::Count && s.entries != nullptr) entries_ = k;
      if (s.marker() || s.closing_ends_entry) end_tag_ = s.name;
    }
    data_of_[0] = 0;
  }

  // The line to the sections of `group`, in order, whose numbers follow `base`: the first that
  // takes it (its tag, or a data line of it while open) ends its passage; false when none does.
  bool offer(const Group<C>& group, int base, std::string_view text, std::uint32_t number,
             bool final_empty) {
    // A line that does not begin with "<" is no tag: only the open section, if it is of this
    // group, may take it (most lines, and a group of many sections, need no look at the others).
    if (text.empty() || text.front() != '<') {
      const auto i = static_cast<std::size_t>(open_ - base - 1);
      if (open_ <= base || i >= group.size() || group[i].marker()) return false;
      data(group[i], text, number, final_empty);
      return true;
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
      const Section<C>& s = group[i];
      const int own = base + static_cast<int>(i) + 1;
      if (!s.marker() && is_open_tag(text, s.name)) {
        open(s, own, number);
      } else if (is_close_tag(text, s.name)) {
        close(s, own, text, number);
      } else if (!s.marker() && open_ == own) {
        data(s, text, number, final_empty);
      } else {
        continue;
      }
      return true;
    }
    return false;
  }

  void open(const Section<C>& s, int own, std::uint32_t number) {
    if (listener_ != nullptr) tell(Taken::As::Open, number, own);
    if (open_ != 0) leave(number);
    open_ = own;
    opened_at_ = number;
    records_since_open_[static_cast<std::size_t>(own)] = 0;
    if (s.on_open != nullptr) s.on_open(converter_);
  }

  // A closing tag with no section of its own open closes nothing, or another section; a
  // marker's, and one that ends an entry wherever it comes, is meant so. One that makes its
  // section's count what the lines gave does so here too.
  void close(const Section<C>& s, int own, std::string_view tag, std::uint32_t number) {
    const bool ends_entry = s.marker() || s.closing_ends_entry;
    if (listener_ != nullptr) {
      tell(s.marker() ? Taken::As::Marker : Taken::As::Close, number, own, false,
           !ends_entry && open_ != own);
    }
    if (!s.marker()) {
      if (!ends_entry && open_ != own) {
        seen::StrayClose stray{tag};
        if (s.closing_sets_count && s.unfilled != nullptr) {
          stray.count = records_since_open_[static_cast<std::size_t>(own)];
          stray.dropped = std::max<std::int64_t>(0, s.unfilled(converter_));
        }
        report_.note(
            {number, stray, open_ != 0 ? LineContext{section().name, opened_at_} : LineContext{}});
      }
      if (open_ != 0) leave(number, open_ == own);
      open_ = 0;
    }
    if (s.on_close == nullptr) return;
    // The count lines of the entry's lists that wait still count the entry that ends here.
    if (ends_entry) {
      for (const Tally::Waiting& w : tally_.stop_waiting(true))
        no_lines(w);
    }
    if (s.closing_sets_count) tally_.left(counted_by_[static_cast<std::size_t>(own)]);
    s.on_close(converter_);
  }

  void data(const Section<C>& s, std::string_view text, std::uint32_t number, bool final_empty) {
    const auto at = static_cast<std::size_t>(open_);
    const Line line(text, number, open_, report_, links_,
                    {s.name, opened_at_, count_at_[counted_by_[at]], final_empty});
    if (!tag_with_text(text, number, {s.name, opened_at_, 0, final_empty}) &&
        looks_like_tag(text)) {
      line.note(seen::TagAsData{text});
    }
    if (s.role == Role::Count) {
      count_at_[at] = number;
      if (!final_empty) links_.count_line(number, s.name);
    }
    if (s.carries_over && !final_empty) links_.carried_line(number, s.name);
    if (s.on_data != nullptr) s.on_data(converter_, line);
    // An empty line that takes a record of a list of names or texts.
    if (text.empty() && s.role == Role::Records && s.line.size() == 1 &&
        s.line[0].kind == ValueKind::Text && line.record() >= 0) {
      line.note(seen::EmptyRecord{line.record()});
    }
    if (!final_empty) tally(s, at, line);
    if (listener_ != nullptr) tell(Taken::As::Data, number, open_, false, false, &line);
  }

  // What the line gave: an entry, a record, a new table in place of one.
  void tally(const Section<C>& s, std::size_t at, const Line& line) {
    if (line.entry() >= 0) tally_.entry_line(at, opened_at_, line.number(), line.entry());
    if (s.role == Role::Records && s.unfilled != nullptr && line.record() >= 0) {
      ++records_since_open_[at];
      tally_.record_line(counted_by_[at], s.name, line.number(), line.entry(), line.record());
    }
    if (s.role != Role::Count) return;
    std::uint32_t counted_at = 0;
    if (const auto lost = tally_.count_line(at, opened_at_, line.number(), line.entry(),
                                            line.makes_table(), data_of_[at] != 0, counted_at)) {
      report_.note({line.number(), *lost, {s.name, opened_at_, counted_at}});
    }
  }

  // A line that begins with a tag of the file and goes on with other text, where it stands
  // (`where`): noted, pointing at the text after the tag.
  bool tag_with_text(std::string_view text, std::uint32_t number, const LineContext& where) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos || text[start] != '<') return false;
    const std::string_view from = text.substr(start);
    for (std::size_t k = 1; k < numbered_.size(); ++k) {
      const Section<C>& s = *numbered_[k];
      const bool opening = !s.marker() && from.size() > s.name.size() + 2 &&
                           is_open_tag(from.substr(0, s.name.size() + 2), s.name);
      const bool closing = from.size() > s.name.size() + 3 &&
                           is_close_tag(from.substr(0, s.name.size() + 3), s.name);
      if (!opening && !closing) continue;
      const std::string_view rest = without_blanks(from.substr(s.name.size() + (closing ? 3 : 2)));
      if (rest.empty()) return false;
      report_.note(
          {number, seen::TagWithText{s.name, closing, rest}, where, Columns::of(text, rest)});
      return true;
    }
    return false;
  }

  // Tells the listener what the line (or the piece of it being read) was taken as, before the
  // section state changes; a data line once its handler has read it. Kept out of line, so that a
  // walk that nobody listens to stays as small as one without it.
  [[gnu::noinline]] void tell(Taken::As as, std::uint32_t number, int section, bool tag = false,
                              bool stray = false, const Line* data = nullptr) const {
    Taken t{.as = as,
            .line = number,
            .from = piece_line_ == number ? piece_from_ : 0,
            .section = section,
            .was_open = open_,
            .looks_like_tag = tag,
            .stray = stray};
    if (data != nullptr) {
      t.looks_like_tag = looks_like_tag(data->text());
      t.opened_at = data->where().opened_at;
      t.counted_at = data->where().counted_at;
      t.record = data->record();
      t.table_bytes = data->table_bytes();
    }
    listener_->taken(t);
  }

  // Leaving the open section at line `where`: a data section may have left records without a
  // line; its own closing tag may then make the count what the lines gave.
  void leave(std::uint32_t where, bool by_own_tag = false) {
    const Section<C>& s = section();
    if (s.unfilled == nullptr) return;
    const auto at = static_cast<std::size_t>(open_);
    tally_.left(counted_by_[at]);
    const std::int64_t left = s.unfilled(converter_);
    if (left <= 0) return;
    seen::FewerLines fewer{left};
    if (by_own_tag && s.closing_sets_count) {
      fewer = {left, seen::FewerLines::How::CountSet, records_since_open_[at]};
    }
    report_.note({where, fewer, {s.name, opened_at_, count_at_[counted_by_[at]]}});
  }

  // The count line `w` whose data section never came: its records, if any, are given no line.
  void no_lines(const Tally::Waiting& w) {
    const Section<C>& data = *numbered_[data_of_[w.count]];
    if (const std::int64_t left = data.unfilled(converter_); left > 0) {
      report_.note({w.line,
                    seen::FewerLines{left, seen::FewerLines::How::NoSection, 0, data.name},
                    {numbered_[w.count]->name, w.opened_at}});
    }
  }

  // At the end, the entries: each one filled anew, and those that no line filled, which are
  // written empty. An entry filled anew leaves one entry fewer ended, so the first empty entries
  // are told with the overwrites of the table.
  void entries_at_end() {
    if (entries_ == 0) return;
    const Section<C>& count = *numbered_[entries_];
    const auto size = static_cast<std::int64_t>(count.entries(converter_));
    std::int64_t empty = tally_.entries_given();
    const std::span<const Tally::Overwrite> all = tally_.overwrites();
    for (std::size_t i = 0; i < all.size(); ++i) {
      const Tally::Overwrite& o = all[i];
      seen::EntryOverwritten over{o.entry, o.first_given, o.from, end_tag_};
      if (i >= tally_.first_of_table() && empty < size) over.empty = empty++;
      report_.note({o.line, over, {numbered_[o.section]->name, o.line}});
    }
    if (empty < size && tally_.entries_counted_at() != 0) {
      report_.note({tally_.entries_counted_at(),
                    seen::FewerLines{size - empty, seen::FewerLines::How::Entries, empty, end_tag_},
                    {count.name}});
    }
  }

  const Section<C>& section() const { return *numbered_[static_cast<std::size_t>(open_)]; }

  C& converter_;
  std::span<const Group<C>> groups_;
  Report& report_;
  LinkListener& links_;
  WalkListener* listener_;  // none: nobody hears what the lines were taken as
  std::vector<const Section<C>*> numbered_{nullptr};  // every section by its number
  std::vector<std::size_t> counted_by_{0};            // the count section before each, or 0
  std::vector<std::uint32_t> count_at_;               // the last count line of each
  std::vector<std::size_t> data_of_;                  // the records section each count counts
  std::vector<std::int64_t> records_since_open_;      // records each section's lines gave
  std::size_t entries_ = 0;                           // the count of the entries, if any
  std::string_view end_tag_;                          // the closing tag that ends an entry
  int open_ = 0;                                      // the section state: 0 outside all
  std::uint32_t opened_at_ = 0;                       // the line that opened it
  Tally tally_;
  // The last line that came in pieces, and where its piece being read begins in it.
  std::uint32_t piece_line_ = 0;
  std::uint32_t piece_from_ = 0;
};

// Reads the whole source through the groups of sections. `line_buffer` is kShortLines or
// kLongLines. The section state starts at 0; every section's number is its 1-based place in the
// groups taken one after the other. What the rules drop or bend is noted to `report`; what ties
// the source to others is told to `links`.
template <class C>
void walk(ByteSource& source, std::size_t line_buffer, C& converter,
          std::span<const Group<C>> groups, Report& report, LinkListener& links = no_links()) {
  Walk<C> walker(converter, groups, report, links);
  LineReader lines(source, line_buffer);
  EncodingWatch encoding;
  std::uint32_t last = 0;
  while (lines.next()) {
    last = lines.line_number();
    if (lines.is_piece()) {
      report.note({last, seen::LinePiece{line_buffer - 1}});
      // Each read takes line_buffer - 1 bytes of a long line.
      walker.piece(last, static_cast<std::uint32_t>(line_buffer - 1));
    }
    if (lines.cut_at_nul()) report.note({last, seen::CutAtNul{}});
    if (lines.plain() && last > 1) {
      encoding.plain_line(lines.bytes().size());
    } else {
      encoding.line(lines.bytes(), last, report);
    }
    walker.line(lines.text(), last, lines.is_final_empty());
  }
  encoding.end(report, lines.cut_by_ctrl_z());
  walker.end(last);
}

}  // namespace kelv
