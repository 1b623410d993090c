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

std::string Messages::unknown_tag(std::string_view text) const {
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
              unknown_tag(tag.text) + tr(" It is read as a line of {1}, open since line {2}.")(
                                          section, n.where.opened_at),
              opened, n.where.opened_at);
}

Finding Messages::build(const seen::StrayClose& close, const Note& n) const {
  if (n.where.section.empty()) {
    return told(finding::kStrayClose, n, tr("{1} closes no section: none is open")(close.tag));
  }
  return told(finding::kStrayClose, n,
              tr("{1} closes {2}, which is open since line {3}, and not its own section")(
                  close.tag, tag_of(n.where.section), n.where.opened_at),
              Related::What::SectionOpened, n.where.opened_at);
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
                  .n(values, dropped, name_of(*extra.last, n.where.section), quoted(extra.taken)));
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
  std::string message = tr("{2} ends with {1} record of its table given no line",
                           "{2} ends with {1} records of its table given no line")
                            .n(fewer.left, tag_of(n.where.section));
  if (n.where.counted_at != 0) message += tr(" (the count is at line {1})")(n.where.counted_at);
  return told(finding::kFewerLines, n, message, Related::What::CountGiven, n.where.counted_at);
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
                 "beyond ASCII from this line on reads as other characters")());
}

Finding Messages::refused(std::uint32_t line, std::string_view why) const {
  return {&finding::kRefused,
          path_,
          line,
          {},
          tr("the file is refused, and nothing is written for it: {1}")(why)};
}

Finding Messages::unknown_name(std::uint32_t line, Columns columns, std::string_view value,
                               std::string_view section, bool known) const {
  return {&finding::kNames, path_, line, columns,
          known ? tr("{1} is given no name: a line holds the value, the author's name, and a "
                     "description if any")(quoted(value))
                : tr("{1} names no value of {2}: --explain tells its values")(quoted(value),
                                                                              tag_of(section))};
}

Finding Messages::more(std::size_t count) const {
  return {&finding::kMore,
          path_,
          0,
          {},
          tr("and {1} more finding", "and {1} more findings").n(static_cast<std::int64_t>(count))};
}

Finding misnamed(std::string path, std::string_view meant) {
  return {&finding::kName,
          std::move(path),
          0,
          {},
          tr("no kind of source has this name: did you mean {1}? (names compare byte for byte, "
             "case and all)")(meant)};
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
