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
// (format/encoding_watch.h). What the walk took each line as is told to a WalkListener, where a
// reading has one (format/walk_listener.h).
#pragma once

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
  constexpr SectionShape shape() const { return {name, role, line, note, restarts, carries_over}; }
};

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

// One reading's walk through the sections: the section state, the line that opened the open
// section, and the last count line of each count section.
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
    const bool tag = looks_like_tag(text);
    if (tag) report_.note({number, seen::UnknownTag{text}});
    if (listener_ != nullptr) tell(Taken::As::Outside, number, 0, tag);
  }

  // The line `number` comes in pieces: the one about to be read begins `taken` bytes after the
  // one before it.
  void piece(std::uint32_t number, std::uint32_t taken) {
    piece_from_ = piece_line_ == number ? piece_from_ + taken : taken;
    piece_line_ = number;
  }

  // After the last line, `last`: a section still open is left there.
  void end(std::uint32_t last) {
    if (open_ == 0) return;
    report_.note({opened_at_, seen::OpenAtEnd{}, {section().name, opened_at_}});
    leave(last);
  }

 private:
  // Every section by its number, and the number of the count section before it in its group.
  void number_sections() {
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
  }

  // The line to the sections of `group`, in order, whose numbers follow `base`: the first that
  // takes it (its tag, or a data line of it while open) ends its passage; false when none does.
  bool offer(const Group<C>& group, int base, std::string_view text, std::uint32_t number,
             bool final_empty) {
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
    if (s.on_open != nullptr) s.on_open(converter_);
  }

  // A closing tag with no section of its own open closes nothing, or another section; a
  // marker's, and one that does something of its own, is meant so.
  void close(const Section<C>& s, int own, std::string_view tag, std::uint32_t number) {
    if (listener_ != nullptr) {
      tell(s.marker() ? Taken::As::Marker : Taken::As::Close, number, own, false,
           !s.marker() && open_ != own);
    }
    if (!s.marker()) {
      if (s.on_close == nullptr && open_ != own) {
        report_.note({number, seen::StrayClose{tag},
                      open_ != 0 ? LineContext{section().name, opened_at_} : LineContext{}});
      }
      if (open_ != 0) leave(number, open_ == own);
      open_ = 0;
    }
    if (s.on_close != nullptr) s.on_close(converter_);
  }

  void data(const Section<C>& s, std::string_view text, std::uint32_t number, bool final_empty) {
    const auto at = static_cast<std::size_t>(open_);
    const Line line(text, number, open_, report_, links_,
                    {s.name, opened_at_, count_at_[counted_by_[at]], final_empty});
    if (looks_like_tag(text)) line.note(seen::TagAsData{text});
    if (s.role == Role::Count) {
      count_at_[at] = number;
      if (!final_empty) links_.count_line(number, s.name);
    }
    if (s.on_data != nullptr) s.on_data(converter_, line);
    if (listener_ != nullptr) tell(Taken::As::Data, number, open_, false, false, &line);
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
  // line (unless its own closing tag makes the count what the lines gave).
  void leave(std::uint32_t where, bool by_own_tag = false) {
    const Section<C>& s = section();
    if (s.unfilled == nullptr || (by_own_tag && s.closing_sets_count)) return;
    if (const std::int64_t left = s.unfilled(converter_); left > 0) {
      report_.note({where,
                    seen::FewerLines{left},
                    {s.name, opened_at_, count_at_[counted_by_[static_cast<std::size_t>(open_)]]}});
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
  int open_ = 0;                                      // the section state: 0 outside all
  std::uint32_t opened_at_ = 0;                       // the line that opened it
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
    encoding.line(lines.text(), last, report);
    walker.line(lines.text(), last, lines.is_final_empty());
  }
  encoding.end(report);
  walker.end(last);
}

}  // namespace kelv
