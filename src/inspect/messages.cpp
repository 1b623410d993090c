#include "inspect/messages.h"

#include <utility>
#include <variant>

#include "format/counted_table.h"
#include "format/spelling.h"
#include "format/tags.h"
#include "inspect/names.h"
#include "inspect/shown_text.h"
#include "inspect/wording.h"
#include "language/tr.h"

namespace kelv {
namespace {

std::int64_t mib(std::int64_t bytes) {
  return (bytes + (1 << 20) - 1) >> 20;
}

// "line 5", or "lines 5 to 9".
std::string lines(std::uint32_t first, std::uint32_t last) {
  return first == last ? tr("line {1}")(first) : tr("lines {1} to {2}")(first, last);
}

}  // namespace

Finding Messages::operator()(const Note& note) const {
  return std::visit([&](const auto& what) { return build(what, note); }, note.what);
}

Finding Messages::told(const FindingKind& kind, const Note& n, std::string message) const {
  return {&kind, path_, n.line, n.columns, std::move(message)};
}

Finding Messages::told(const FindingKind& kind, const Note& n, std::string message,
                       Related::What what, std::uint32_t line) const {
  Finding f = told(kind, n, std::move(message));
  if (line != 0) f.related.push_back({what, path_, line});
  return f;
}

std::string Messages::name_of(const ValueShape& value, std::string_view section) const {
  return value_name(value, kind_, section, names_);
}

Finding Messages::build(const seen::LinePiece& piece, const Note& n) const {
  return told(finding::kLongLine, n,
              tr("the line is longer than the {1} bytes the reader takes at once: the rest is "
                 "read as a line of its own")(piece.taken));
}

Finding Messages::build(const seen::CutAtNul&, const Note& n) const {
  return told(finding::kNul, n, tr("a NUL byte ends the line's text: what follows it is lost")());
}

std::string Messages::unknown_tag(std::string_view text, std::string_view read_as) const {
  const std::string found = quoted(text);
  const std::string_view t = wording::trimmed(text);
  const std::string_view bare = without_blanks(text);
  std::string message =
      bare != t && wording::is_tag_of(bare, vocabulary_)
          ? tr("{1} looks like a tag, but is none of this file's (a full-width blank around "
               "it)")(found)
      : wording::is_tag_of(t, vocabulary_)
          ? tr("{1} looks like a tag, but is none of this file's (blanks around it)")(found)
      : wording::is_tag_of(lowered(t), vocabulary_)
          ? tr("{1} looks like a tag, but is none of this file's (tags are lower case)")(found)
          : tr("{1} looks like a tag, but is none of this file's")(found);
  message += read_as;
  if (const std::string near = wording::nearest_tag(bare, vocabulary_); !near.empty()) {
    message += tr("; did you mean {1}?")(near);
  }
  return message;
}

Finding Messages::build(const seen::UnknownTag& tag, const Note& n) const {
  return told(finding::kUnknownTag, n, unknown_tag(tag.text));
}

Finding Messages::build(const seen::TagAsData& tag, const Note& n) const {
  const std::string section = tag_of(n.where.section);
  const auto opened = Related::What::SectionOpened;
  if (wording::is_tag_of(tag.text, vocabulary_)) {
    return told(finding::kTagAsData, n,
                tr("the tag {1} is read as a line of {2}, which is open since line {3}: is {4} "
                   "missing?")(tag.text, section, n.where.opened_at, tag_of(n.where.section, true)),
                opened, n.where.opened_at);
  }
  return told(finding::kUnknownTag, n,
              unknown_tag(tag.text, tr(", and is read as a line of {1}, open since line {2}")(
                                        section, n.where.opened_at)),
              opened, n.where.opened_at);
}

Finding Messages::build(const seen::StrayClose& close, const Note& n) const {
  // A closing tag that makes its section's count what the section's lines gave does so here too.
  std::string count_set;
  if (close.dropped > 0) {
    const std::string_view section = close.tag.substr(2, close.tag.size() - 3);
    count_set = tr(". As the closing tag of {2} it still sets the count to the {3} records that "
                   "section last took, and {1} record the count asked for is dropped",
                   ". As the closing tag of {2} it still sets the count to the {3} records that "
                   "section last took, and {1} records the count asked for are dropped")
                    .n(close.dropped, tag_of(section), close.count);
  }
  if (n.where.section.empty()) {
    return told(finding::kStrayClose, n,
                tr("{1} closes no section: none is open")(close.tag) + count_set);
  }
  return told(finding::kStrayClose, n,
              tr("{1} closes {2}, which is open since line {3}, and not its own section")(
                  close.tag, tag_of(n.where.section), n.where.opened_at) +
                  count_set,
              Related::What::SectionOpened, n.where.opened_at);
}

Finding Messages::build(const seen::TagWithText& tag, const Note& n) const {
  const std::string written = tag_of(tag.name, tag.closing);
  const std::string message =
      n.where.section.empty()
          ? tr("{1} has {2} after it on its line, so the line is no tag (a tag stands alone on "
               "its line): it is read as a comment")(written, quoted(tag.rest))
          : tr("{1} has {2} after it on its line, so the line is no tag (a tag stands alone on "
               "its line): it is read as a line of {3}, open since line {4}")(
                written, quoted(tag.rest), tag_of(n.where.section), n.where.opened_at);
  return told(finding::kTagWithText, n, message, Related::What::SectionOpened, n.where.opened_at);
}

std::string Messages::unreached(const seen::ScanStopped& stop, std::string_view section) const {
  const std::span<const ValueShape> values = stop.values.subspan(stop.matched);
  const auto n = static_cast<std::int64_t>(values.size());
  const std::string left =
      wording::listed(values, [&](const ValueShape& v) { return name_of(v, section); });
  if (stop.unreached_as_new) {
    return stop.record >= 0 ? tr("; record [{2}] keeps {3} at 0 or empty").n(n, stop.record, left)
                            : tr("; {2} stays 0 or empty", "; {2} stay 0 or empty").n(n, left);
  }
  return stop.record >= 0 ? tr("; record [{2}] keeps {3} as earlier lines gave it",
                               "; record [{2}] keeps {3} as earlier lines gave them")
                                .n(n, stop.record, left)
                          : tr("; {2} keeps what earlier lines gave it",
                               "; {2} keep what earlier lines gave them")
                                .n(n, left);
}

Finding Messages::build(const seen::ScanStopped& stop, const Note& n) const {
  const std::string_view rest = wording::trimmed(stop.rest);
  const std::size_t wanted = stop.values.size();
  if (stop.matched == 0 && rest.empty() && wanted > 1) {
    return told(finding::kEmptyLine, n,
                wording::role_of(n.where.section, vocabulary_) == Role::Records
                    ? tr("the line is empty, and takes a record all the same: its values stay 0")()
                    : tr("the line is empty: it changes nothing")());
  }
  const ValueShape& value = stop.values[stop.matched];
  const std::string kind = wording::kind_of(value);
  const bool wide_blank = rest.starts_with(kWideBlank);
  std::string message;
  if (wanted == 1) {
    message = wide_blank ? tr("the line has a full-width blank where {1} belongs (values are "
                              "separated by half-width blanks only)")(kind)
              : rest.empty()
                  ? tr("the line holds no {1}")(wording::noun_of(value))
                  : tr("the line has {1} where {2} belongs")(wording::first_word(rest), kind);
  } else {
    const std::size_t at = stop.matched + 1;
    const std::string name = name_of(value, n.where.section);
    message =
        wide_blank
            ? tr("value {1} of {2} ({3}, {4}): a full-width blank stands where a blank belongs "
                 "(values are separated by half-width blanks only)")(at, wanted, name, kind)
        : rest.empty()
            ? tr("value {2} of {3} ({4}, {5}) is missing: the line ends after {1} value",
                 "value {2} of {3} ({4}, {5}) is missing: the line ends after {1} values")
                  .n(static_cast<std::int64_t>(stop.matched), at, wanted, name, kind)
            : tr("value {1} of {2} ({3}, {4}): found {5} where {4} belongs")(
                  at, wanted, name, kind, wording::first_word(rest));
  }
  return told(finding::kScan, n, message + unreached(stop, n.where.section));
}

Finding Messages::build(const seen::RealForInteger& real, const Note& n) const {
  const std::string_view whole = real.number.substr(0, real.number.find('.'));
  const std::string rest = quoted(real.number.substr(whole.size()));
  const ValueShape& value = real.values[real.place];
  if (real.values.size() == 1) {
    return told(finding::kScan, n,
                tr("the line has the real number {1} where an integer belongs: {2} is read, and "
                   "{3} is dropped")(real.number, whole, rest));
  }
  const std::size_t at = real.place + 1;
  const std::string name = name_of(value, n.where.section);
  return told(
      finding::kScan, n,
      at == real.values.size()
          ? tr("value {1} of {2} ({3}, {4}) is the real number {5}, where an integer "
               "belongs: {6} is read, and {7} is dropped")(
                at, real.values.size(), name, wording::kind_of(value), real.number, whole, rest)
          : tr("value {1} of {2} ({3}, {4}) is the real number {5}, where an integer "
               "belongs: {6} is read, and the values after it are read from {7} on")(
                at, real.values.size(), name, wording::kind_of(value), real.number, whole, rest));
}

Finding Messages::build(const seen::ExtraValues& extra, const Note& n) const {
  const std::string dropped = quoted(extra.dropped);
  const auto values = static_cast<std::int64_t>(extra.values);
  if (extra.taken.empty()) {
    return told(finding::kExtraValues, n,
                tr("the line holds more than its {1} value: {2} is dropped",
                   "the line holds more than its {1} values: {2} is dropped")
                    .n(values, dropped));
  }
  return told(finding::kExtraValues, n,
              tr("the line holds more than its {1} value: {2} is dropped, and {3} took {4} (a "
                 "value too many, or a blank inside a word?)",
                 "the line holds more than its {1} values: {2} is dropped, and {3} took {4} (a "
                 "value too many, or a blank inside a word?)")
                  .n(values, dropped, name_of(*extra.last, n.where.section),
                     quoted(extra.taken, extra.last->stored == Stored::Breaks)));
}

Finding Messages::build(const seen::Cut& cut, const Note& n) const {
  if (cut.value->kind == ValueKind::Text) {
    return told(finding::kCut, n,
                cut.half_character
                    ? tr("the line is longer than its field: cut to {1} bytes, "
                         "which ends in half of a double-byte character")(cut.kept)
                    : tr("the line is longer than its field: cut to {1} bytes")(cut.kept));
  }
  const std::size_t at = cut.place + 1;
  const std::string name = name_of(*cut.value, n.where.section);
  const std::string kind = wording::kind_of(*cut.value);
  return told(finding::kCut, n,
              cut.half_character
                  ? tr("value {1} ({2}, {3}) is longer than its field: cut to {4} bytes, which "
                       "ends in half of a double-byte character")(at, name, kind, cut.kept)
                  : tr("value {1} ({2}, {3}) is longer than its field: cut to {4} bytes")(
                        at, name, kind, cut.kept));
}

Finding Messages::build(const seen::NumberWrapped& wrapped, const Note& n) const {
  if (wrapped.value->stem == kCountValue.stem) {
    return told(finding::kWrapped, n,
                tr("the count does not fit 32 bits: it is taken modulo 2^32")());
  }
  return told(finding::kWrapped, n,
              tr("value {1} ({2}, {3}) does not fit 32 bits: it is taken modulo 2^32")(
                  wrapped.place + 1, name_of(*wrapped.value, n.where.section),
                  wording::kind_of(*wrapped.value)));
}

Finding Messages::build(const seen::LineUnused& unused, const Note& n) const {
  using Why = seen::LineUnused::Why;
  const std::string section = tag_of(n.where.section);
  const std::uint32_t count_line = n.where.counted_at;
  std::string message;
  switch (unused.why) {
    case Why::RowsFull:
      message =
          tr("this line of {1} finds no row: the section takes {2} lines")(section, unused.limit);
      break;
    case Why::FieldFull:
      message =
          tr("this line of {1} is dropped: with it the field would pass the 2 GiB it can "
             "hold")(section);
      break;
    case Why::NoTable:
      message = count_line == 0 ? tr("this line of {1} finds no record: no count line made a "
                                     "table before it")(section)
                                : tr("this line of {1} finds no record: no count line made a "
                                     "table (line {2})")(section, count_line);
      break;
    case Why::CountUsedUp:
      message = count_line == 0
                    ? tr("this line of {1} finds no record: the count {2} is used up")(section,
                                                                                       unused.limit)
                    : tr("this line of {1} finds no record: the count {2} (line {3}) is used "
                         "up")(section, unused.limit, count_line);
      break;
  }
  // The count line is named where the message names it.
  const bool names_count = unused.why == Why::NoTable || unused.why == Why::CountUsedUp;
  return told(finding::kUnusedLine, n, message, Related::What::CountGiven,
              names_count ? count_line : 0);
}

Finding Messages::build(const seen::CountClamped& count, const Note& n) const {
  return told(finding::kCount, n,
              tr("the count {1} is more than this list holds: it is taken as {2}")(count.given,
                                                                                   count.limit));
}

Finding Messages::build(const seen::TableRefused& count, const Note& n) const {
  return told(finding::kCount, n,
              count.count < 0
                  ? tr("the count {1} is negative: no table is made, and the lines it counts find "
                       "no record")(count.count)
                  : tr("the count {1} is too large for the data file's 2 GiB fields: no table is "
                       "made, and the lines it counts find no record")(count.count));
}

Finding Messages::build(const seen::HugeTable& count, const Note& n) const {
  return told(finding::kCount, n,
              tr("the count {1} makes a table of {2} MiB, and the data file will be as large: a "
                 "digit too many?")(count.count, mib(count.bytes)));
}

Finding Messages::build(const seen::FewerLines& fewer, const Note& n) const {
  using How = seen::FewerLines::How;
  if (fewer.how == How::NoSection) {
    return told(finding::kFewerLines, n,
                tr("the count asks for {1} record of {2}, and no line of {2} comes after it: the "
                   "record is written empty",
                   "the count asks for {1} records of {2}, and no line of {2} comes after it: the "
                   "records are written empty")
                    .n(fewer.left, tag_of(fewer.section)));
  }
  if (fewer.how == How::Entries) {
    return told(
        finding::kFewerLines, n,
        tr("the count is {1} entry more than the lines fill (each ends with {3}): entry "
           "[{2}] is written empty",
           "the count is {1} entries more than the lines fill (each ends with {3}): "
           "entries [{2}] to [{4}] are written empty")
            .n(fewer.left, fewer.given, tag_of(fewer.section, true), fewer.given + fewer.left - 1));
  }
  std::string message = tr("{2} ends with {1} record of its table given no line",
                           "{2} ends with {1} records of its table given no line")
                            .n(fewer.left, tag_of(n.where.section));
  if (n.where.counted_at != 0) message += tr(" (the count is at line {1})")(n.where.counted_at);
  if (fewer.how == How::CountSet) {
    message += tr("; its closing tag makes the count {1}, the records its lines gave")(fewer.given);
  }
  return told(finding::kFewerLines, n, message, Related::What::CountGiven, n.where.counted_at);
}

Finding Messages::build(const seen::RecordsLost& lost, const Note& n) const {
  const std::string read_at = lines(lost.first, lost.last);
  return told(
      finding::kLostRecords, n,
      lost.entries
          ? tr("this count line makes a new table of empty entries: the {1} entry that {2} "
               "filled is lost",
               "this count line makes a new table of empty entries: the {1} entries that {2} "
               "filled are lost")
                .n(lost.records, read_at)
          : tr("this count line makes a new, empty table: the {1} record of {2} read at {3} is "
               "lost",
               "this count line makes a new, empty table: the {1} records of {2} read at {3} are "
               "lost")
                .n(lost.records, tag_of(lost.section), read_at),
      Related::What::CountGiven, n.where.counted_at);
}

Finding Messages::build(const seen::EntryOverwritten& over, const Note& n) const {
  const std::string section = tag_of(n.where.section);
  const std::string before = lines(over.from, n.line - 1);
  const std::string end = tag_of(over.end_tag, true);
  return told(finding::kOverwritten, n,
              over.empty < 0
                  ? tr("entry [{1}] is given {2} a second time (first at line {3}): the lines "
                       "from here fill it anew, over what {4} gave it; is {5} missing before this "
                       "line?")(over.entry, section, over.first_given, before, end)
                  : tr("entry [{1}] is given {2} a second time (first at line {3}): the lines "
                       "from here fill it anew, over what {4} gave it, and with one entry fewer "
                       "ended, entry [{6}] is written empty; is {5} missing before this line?")(
                        over.entry, section, over.first_given, before, end, over.empty),
              Related::What::Overwritten, over.first_given);
}

Finding Messages::build(const seen::EmptyRecord& empty, const Note& n) const {
  return told(finding::kEmptyLine, n,
              tr("the line is empty, and takes record [{1}] all the same, as an empty text: the "
                 "records after it are numbered one more than without it")(empty.record));
}

Finding Messages::build(const seen::WideHash&, const Note& n) const {
  return told(finding::kFullWidth, n,
              tr("{1} is a full-width character and stays one: only a half-width {2} stands for a "
                 "line break")(quoted("\x81\x94"), quoted("#")));
}

Finding Messages::build(const seen::OpenAtEnd&, const Note& n) const {
  return told(finding::kOpenAtEnd, n,
              tr("{1} is still open at the end of the file: {2} is missing")(
                  tag_of(n.where.section), tag_of(n.where.section, true)));
}

Finding Messages::build(const seen::LoneCr&, const Note& n) const {
  return told(finding::kLineEnds, n,
              tr("the line holds a carriage return without a line feed: lines that end so are "
                 "read as one line (save the file with CR LF or LF line ends)")());
}

Finding Messages::build(const seen::Utf8Mark&, const Note& n) const {
  return told(finding::kEncoding, n,
              tr("the file starts with a UTF-8 byte order mark: sources are read as Shift-JIS "
                 "(code page 932), and the first line is not what it seems")());
}

Finding Messages::build(const seen::LooksUtf8&, const Note& n) const {
  return told(finding::kEncoding, n,
              tr("saved as UTF-8? sources are read as Shift-JIS (code page 932), and the text "
                 "beyond ASCII from this line on reads as other characters: save the file as "
                 "Shift-JIS (the editor's encoding setting, or iconv -f UTF-8 -t CP932)")());
}

Finding Messages::build(const seen::LooksEucJp&, const Note& n) const {
  return told(finding::kEncoding, n,
              tr("saved as EUC-JP? sources are read as Shift-JIS (code page 932), and the text "
                 "beyond ASCII from this line on reads as other characters: save the file as "
                 "Shift-JIS (the editor's encoding setting, or iconv -f EUC-JP -t CP932)")());
}

Finding Messages::build(const seen::LooksUtf16& utf16, const Note& n) const {
  // iconv reads a byte order mark by itself, but needs the byte order of a file without one.
  const std::string_view from = utf16.mark ? "UTF-16" : utf16.big_endian ? "UTF-16BE" : "UTF-16LE";
  return told(finding::kEncoding, n,
              utf16.mark
                  ? tr("the file starts with a UTF-16 byte order mark: sources are read byte by "
                       "byte as Shift-JIS (code page 932), and nothing in it reads as written: "
                       "save the file as Shift-JIS (in Notepad, the encoding ANSI on a Japanese "
                       "Windows; or iconv -f {1} -t CP932)")(from)
                  : tr("saved as UTF-16? sources are read byte by byte as Shift-JIS (code page "
                       "932), and this file has NUL bytes between its characters: save the file "
                       "as Shift-JIS (in Notepad, the encoding ANSI on a Japanese Windows; or "
                       "iconv -f {1} -t CP932)")(from));
}

Finding Messages::refused(std::uint32_t line, std::string_view why) const {
  return {&finding::kRefused,
          path_,
          line,
          {},
          tr("the file is refused, and nothing is written for it: {1}")(why)};
}

Finding Messages::unknown_name(std::uint32_t line, Columns columns, std::string_view value,
                               std::string_view section, bool known,
                               std::string_view meant) const {
  return {&finding::kNames, path_, line, columns,
          known ? tr("{1} is given no name: a line holds the value, the author's name, and a "
                     "description if any")(quoted(value))
          : meant.empty()
              ? tr("{1} names no value of {2}: --explain tells its values")(quoted(value),
                                                                            tag_of(section))
              : tr("{1} names no value of {2}: did you mean {3}?")(quoted(value), tag_of(section),
                                                                   meant)};
}

Finding Messages::more(std::size_t count) const {
  return {&finding::kMore,
          path_,
          0,
          {},
          tr("and {1} more finding", "and {1} more findings").n(static_cast<std::int64_t>(count))};
}

Finding misnamed(std::string path, std::string_view meant, NameSlip slip,
                 std::string_view output) {
  std::string message;
  switch (slip) {
    case NameSlip::Near:
      message = tr("no kind of source has this name: did you mean {1}? (names compare byte for "
                   "byte, case and all)")(meant);
      break;
    case NameSlip::DoubledExtension:
      message = output.empty()
                    ? tr("the name ends in .txt twice (Explorer hides the extension, so a name "
                         "typed with .txt gets a second one): not converted; rename the file "
                         "{1}")(meant)
                    : tr("the name ends in .txt twice (Explorer hides the extension, so a name "
                         "typed with .txt gets a second one): its data file is {2}; rename the "
                         "file {1}")(meant, output);
      break;
    case NameSlip::Copy:
      message = tr("this is the name Explorer gives a copy of {1}: not converted (rename the "
                   "file {1} to convert it)")(meant);
      break;
  }
  return {&finding::kName, std::move(path), 0, {}, std::move(message)};
}

Finding carried_over(std::string path, const std::string& from, std::uint32_t line,
                     std::span<const std::string_view> sections) {
  std::string tags;
  for (const std::string_view section : sections)
    tags = tags.empty() ? tag_of(section) : tr("{1}, {2}")(tags, tag_of(section));
  Finding f{&finding::kCarryOver, std::move(path), 0, {},
            tr("takes the values of {1} from {2}, a file of another folder earlier in the run, "
               "as it gives none of its own (values carry over between files of a kind: convert "
               "each game folder in a run of its own)")(tags, from)};
  f.related.push_back({Related::What::CarriedFrom, from, line});
  return f;
}

Finding out_of_list(std::string path, std::uint32_t line, std::string_view value_name,
                    std::int32_t value, ListId list, const std::string& list_path,
                    std::int64_t size, std::uint32_t count_line) {
  const std::string where =
      count_line != 0 ? tr("{1}, line {2}")(list_path, count_line) : list_path;
  std::string message =
      value < 0
          ? tr("{1} is {2}: no entry of {3} has a negative number ({4} holds {5})")(
                value_name, value, wording::list_name(list), where, wording::entries(list, size))
          : tr("{1} is {2}, beyond {3}: {4} holds {5}, so no entry has that number, "
               "whether they are numbered from 0 or from 1")(
                value_name, value, wording::list_name(list), where, wording::entries(list, size));
  Finding f{&finding::kReference, std::move(path), line, {}, std::move(message)};
  if (count_line != 0) f.related.push_back({Related::What::ListCount, list_path, count_line});
  return f;
}

}  // namespace kelv
