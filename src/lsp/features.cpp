#include "lsp/features.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "format/scan.h"
#include "format/tags.h"
#include "format/value_spans.h"
#include "inspect/explain.h"
#include "inspect/shown_text.h"
#include "language/tr.h"
#include "lsp/uri.h"

namespace kelv::lsp {
namespace {

// Diagnostic severities and the kinds of symbols, completions and hints, as the protocol numbers
// them.
enum : int { kError = 1, kWarning = 2 };
enum : int { kKeyword = 14 };
enum : int { kField = 8, kNumber = 16, kArray = 18, kEvent = 24 };
enum : int { kParameterHint = 2 };

int severity_of(Severity severity) {
  switch (severity) {
    case Severity::Warning:
      return kWarning;
  }
  return kError;
}

// What another line a finding names is, said beside it.
std::string related_text(Related::What what) {
  switch (what) {
    case Related::What::SectionOpened:
      return tr("the section opened here")();
    case Related::What::CountGiven:
      return tr("the count of its table is given here")();
    case Related::What::ListCount:
      return tr("the list's count is given here")();
    case Related::What::Overwritten:
      return tr("what is overwritten was first given here")();
    case Related::What::CarriedFrom:
      return tr("the values carried over are given here")();
  }
  return {};
}

// The reader's line `line`, bytes `begin` to `end`, in the editor's positions.
Range span(const Document& d, std::uint32_t line, std::size_t begin, std::size_t end) {
  return {d.position({line, begin}), d.position({line, end})};
}

Range finding_range(const Document& d, const Finding& f) {
  if (f.line == 0) return {};
  if (f.columns.whole_line()) return lines(d, f.line, f.line);
  return span(d, f.line, f.columns.begin - 1, f.columns.end - 1);
}

std::string hex(char32_t c) {
  char out[16];
  std::snprintf(out, sizeof out, "%04X", static_cast<unsigned>(c));
  return out;
}

std::string code(std::string_view s) {
  std::string out(1, '`');
  out.append(s).append(1, '`');
  return out;
}

const AuthorName* author(const Context& c, const SectionShape& s, const ValueShape& v) {
  return c.names != nullptr ? c.names->find(c.subject.name(), s.name, v.name()) : nullptr;
}

// The value's name, and the author's beside it where names.txt gives one.
std::string value_name(const Context& c, const SectionShape& s, const ValueShape& v) {
  const AuthorName* a = author(c, s, v);
  return a == nullptr ? code(v.name()) : code(v.name()) + " \"" + a->label + "\"";
}

std::string about_section(const Context& c, const SectionShape& s) {
  return "```text\n" + section_text(s, c.subject.name(), c.names) + "```";
}

// What a value of a data line is: its place, names and kind, and whether the line reached it.
std::string value_hover(const Context& c, const SectionShape& s, std::size_t k, bool read) {
  const ValueShape& v = s.line[k];
  std::string out = "**" + tr("value {1} of {2}")(k + 1, s.line.size()) + "** " +
                    value_name(c, s, v) + ": " + value_text(v);
  if (!read) {
    out += "\n\n" + tr("Not read: the scan stops here, so this value and those after it keep "
                       "what they held.")();
  }
  if (const AuthorName* a = author(c, s, v); a != nullptr && !a->description.empty())
    out += "\n\n" + a->description;
  return out;
}

// What the values before the one where the scan stopped hold.
std::string so_far(const SectionShape& s, std::string_view piece, const LineSpans& spans) {
  const std::size_t read = spans.values.size() - 1;
  if (read == 0) return tr("The scan stops at the first value: the line gives none.")();
  std::string values;
  for (std::size_t k = 0; k < read; ++k) {
    bool exact = true;
    const ValueSpan& at = spans.values[k];
    // Appended piece by piece: g++ -O3 takes a chain of + for an overlapping copy.
    if (k > 0) values += ' ';
    values += s.line[k].name();
    values += '=';
    values += plain(piece.substr(at.begin, at.end - at.begin), exact);
  }
  return tr("The scan stops at value {1}; so far the line gives:")(read + 1) + "\n```text\n" +
         values + "\n```";
}

// Where a data line stands: the record it fills, or the section it reads over.
std::string record_of(const SectionShape& s, const Taken& u) {
  const std::string tag = code(tag_of(s.name));
  if (u.record < 0) return tr("a data line of {1}, open since line {2}")(tag, u.opened_at);
  if (u.counted_at == 0) return tr("record [{1}] of {2}")(u.record, tag);
  return tr("record [{1}] of {2} (count at line {3})")(u.record, tag, u.counted_at);
}

std::string data_line_hover(const Context& c, const SectionShape& s, const Taken& u,
                            std::string_view piece, std::size_t byte) {
  std::string out;
  if (u.looks_like_tag) {
    out += tr("Read as a data line of {1}, not as a tag: while {1} is open, only its own tags "
              "and those listed before it are tags.")(code(tag_of(s.name))) +
           "\n\n";
  }
  const LineSpans spans = value_spans(piece, s.line);
  for (std::size_t k = 0; k < spans.values.size(); ++k) {
    const ValueSpan& v = spans.values[k];
    if (byte < v.begin || byte >= std::max(v.end, v.begin + 1)) continue;
    out += value_hover(c, s, k, v.read) + "\n\n";
    break;
  }
  if (!spans.values.empty() && !spans.values.back().read)
    out += so_far(s, piece, spans) + "\n\n";
  out += record_of(s, u);
  if (u.table_bytes >= 0) out += "\n\n" + tr("The table this count makes takes {1} bytes.")(u.table_bytes);
  return out;
}

// Where a section stands in the document: its lines and what they hold.
struct Span {
  int section = 0;
  std::uint32_t first = 0;  // the reader's line of its tag
  std::uint32_t last = 0;
  std::uint32_t data = 0;  // its data lines
};

std::vector<Span> spans_of(std::span<const Taken> uses) {
  std::vector<Span> out;
  std::optional<Span> open;
  for (const Taken& u : uses) {
    switch (u.as) {
      case Taken::As::Open:
        if (open) out.push_back(*open);
        open = Span{u.section, u.line, u.line, 0};
        break;
      case Taken::As::Close:
        if (open) {
          open->last = u.line;
          out.push_back(*open);
          open.reset();
        }
        break;
      case Taken::As::Marker:
        out.push_back({u.section, u.line, u.line, 0});
        break;
      case Taken::As::Data:
        if (open) {
          open->last = u.line;
          ++open->data;
        }
        break;
      case Taken::As::Outside:
        break;
    }
  }
  if (open) out.push_back(*open);
  std::stable_sort(out.begin(), out.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
  return out;
}

}  // namespace

Json to_json(const Position& p) {
  return {{"line", p.line}, {"character", p.column}};
}

Json to_json(const Range& r) {
  return {{"start", to_json(r.begin)}, {"end", to_json(r.end)}};
}

Position position_from(const Json& j) {
  return {j.at("line").get<std::uint32_t>(), j.at("character").get<std::uint32_t>()};
}

Range range_from(const Json& j) {
  return {position_from(j.at("start")), position_from(j.at("end"))};
}

Range lines(const Document& d, std::uint32_t first, std::uint32_t last) {
  const std::uint32_t begin = d.lines_of(first).first;
  const std::uint32_t end = d.lines_of(last).second;
  return {{begin, 0}, {end, d.end_column(end)}};
}

std::string_view piece_of(const Context& c, const Taken& use) {
  std::string_view line = c.document.reader_line(use.line);
  line = line.substr(std::min<std::size_t>(use.from, line.size()),
                     c.subject.vocabulary().line_buffer - 1);
  // A NUL ends the text the walk read.
  return line.substr(0, line.find('\0'));
}

Json diagnostics(const Context& c, const std::vector<Finding>& across, const std::string& uri) {
  Json out = Json::array();
  const auto add = [&](const Range& r, int severity, std::string_view kind,
                       const std::string& message, Json related) {
    Json d = {{"range", to_json(r)},
              {"severity", severity},
              {"code", kind},
              {"source", "kelvconv"},
              {"message", message}};
    if (!related.empty()) d["relatedInformation"] = std::move(related);
    out.push_back(std::move(d));
  };
  for (std::uint32_t l = 0; l < c.document.line_count(); ++l) {
    for (const Unencodable& u : c.document.unencodable(l)) {
      const std::string_view character = c.document.line(l).substr(u.begin, u.end - u.begin);
      const Range r{{l, static_cast<std::uint32_t>(columns(c.document.line(l).substr(0, u.begin), c.document.encoding()))},
                    {l, static_cast<std::uint32_t>(columns(c.document.line(l).substr(0, u.end), c.document.encoding()))}};
      add(r, severity_of(finding::kEncoding.severity), finding::kEncoding.id,
          tr("\"{1}\" (U+{2}) has no Shift-JIS form: saved in Shift-JIS, the file holds \"?\" in "
             "its place")(character, hex(u.character)),
          Json::array());
    }
  }
  const auto tell = [&](const Finding& f) {
    Json related = Json::array();
    for (const Related& r : f.related) {
      const bool here = r.path.empty() || r.path == path_of(uri);
      const Range where = here ? lines(c.document, r.line, r.line)
                               : Range{{r.line - 1, 0}, {r.line, 0}};
      related.push_back({{"location", {{"uri", here ? uri : uri_of(r.path)}, {"range", to_json(where)}}},
                         {"message", related_text(r.what)}});
    }
    add(finding_range(c.document, f), severity_of(f.kind->severity), f.kind->id, f.message,
        std::move(related));
  };
  for (const Finding& f : c.reading.findings())
    tell(f);
  for (const Finding& f : across)
    tell(f);
  return out;
}

Json hover(const Context& c, const Position& at) {
  const ReaderPlace place = c.document.reader_place(at);
  const Taken* u = c.reading.use_at(place);
  if (u == nullptr) return nullptr;
  const Numbered numbered(c.subject.vocabulary());
  const std::string_view piece = piece_of(c, *u);
  if (std::all_of(piece.begin(), piece.end(), is_space)) return nullptr;
  std::string text;
  switch (u->as) {
    case Taken::As::Open:
    case Taken::As::Close:
    case Taken::As::Marker: {
      const SectionShape& s = numbered[u->section];
      text = "**" + code(s.role == Role::Marker ? tag_of(s.name, true)
                                                : tag_of(s.name) + " ... " + tag_of(s.name, true)) +
             "**\n\n";
      if (u->stray) {
        const std::string tag = code(tag_of(s.name));
        text += (u->was_open == 0
                     ? tr("{1} is not open here: this tag closes nothing.")(tag)
                     : tr("{1} is not open here: this tag closes {2} instead.")(
                           tag, code(tag_of(numbered[u->was_open].name)))) +
                "\n\n";
      }
      text += about_section(c, s);
      break;
    }
    case Taken::As::Data:
      text = data_line_hover(c, numbered[u->section], *u, piece, place.byte - u->from);
      break;
    case Taken::As::Outside:
      text = u->looks_like_tag
                 ? tr("Outside every section, and no tag where it stands: the reader skips it.")()
                 : tr("Outside every section: a comment, which the reader skips.")();
      break;
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", to_json(span(c.document, u->line, u->from, u->from + piece.size()))}};
}

Json completion(const Context& c, const Position& at) {
  Json items = Json::array();
  const Json none = {{"isIncomplete", false}, {"items", items}};
  // Only where a tag can go: a line that holds nothing else before the cursor.
  const std::string_view line = c.document.line(at.line);
  const std::string_view before = line.substr(0, offset_of(line, at.column, c.document.encoding()));
  if (!before.empty() && (before.front() != '<' || std::any_of(before.begin(), before.end(), is_space)))
    return none;
  const Numbered numbered(c.subject.vocabulary());
  const int open = c.reading.open_before(c.document.reader_place(at).line);
  const Range whole{{at.line, 0}, {at.line, c.document.end_column(at.line)}};
  const auto add = [&](const SectionShape& s, bool closing) {
    const std::string tag = tag_of(s.name, closing);
    char order[8];
    std::snprintf(order, sizeof order, "%04zu", items.size());
    items.push_back({{"label", tag},
                     {"kind", kKeyword},
                     {"sortText", order},
                     {"filterText", tag},
                     {"textEdit", {{"range", to_json(whole)}, {"newText", tag}}},
                     {"documentation", {{"kind", "markdown"}, {"value", about_section(c, s)}}}});
  };
  if (open != 0) add(numbered[open], true);
  for (int n = 1; n < static_cast<int>(numbered.all.size()); ++n) {
    // While a section is open, the tags of its group listed after it are data.
    if (n == open || (open != 0 && numbered.group_of(n) == numbered.group_of(open) && n > open))
      continue;
    const SectionShape& s = numbered[n];
    add(s, s.role == Role::Marker);
  }
  return {{"isIncomplete", false}, {"items", items}};
}

Json symbols(const Context& c) {
  const Numbered numbered(c.subject.vocabulary());
  Json out = Json::array();
  for (const Span& s : spans_of(c.reading.uses())) {
    const SectionShape& section = numbered[s.section];
    const bool marker = section.role == Role::Marker;
    const int kind = marker                           ? kEvent
                     : section.role == Role::Count    ? kNumber
                     : section.role == Role::Records  ? kArray
                                                      : kField;
    Json symbol = {{"name", tag_of(section.name, marker)},
                   {"kind", kind},
                   {"range", to_json(lines(c.document, s.first, s.last))},
                   {"selectionRange", to_json(lines(c.document, s.first, s.first))}};
    if (!marker) symbol["detail"] = tr("{1} line", "{1} lines").n(s.data);
    out.push_back(std::move(symbol));
  }
  return out;
}

Json folding(const Context& c) {
  Json out = Json::array();
  for (const Span& s : spans_of(c.reading.uses())) {
    const std::uint32_t first = c.document.lines_of(s.first).first;
    const std::uint32_t last = c.document.lines_of(s.last).second;
    if (last > first) out.push_back({{"startLine", first}, {"endLine", last}, {"kind", "region"}});
  }
  return out;
}

Json inlay_hints(const Context& c, const Range& range) {
  const Numbered numbered(c.subject.vocabulary());
  const std::uint32_t first = c.document.reader_place(range.begin).line;
  const std::uint32_t last = c.document.reader_place(range.end).line;
  Json out = Json::array();
  const std::span<const Taken> uses = c.reading.uses();
  auto u = std::lower_bound(uses.begin(), uses.end(), first,
                            [](const Taken& t, std::uint32_t l) { return t.line < l; });
  for (; u != uses.end() && u->line <= last; ++u) {
    if (u->as != Taken::As::Data || u->looks_like_tag) continue;
    const SectionShape& s = numbered[u->section];
    if (s.line.size() <= kHintedValues) continue;
    const LineSpans spans = value_spans(piece_of(c, *u), s.line);
    for (std::size_t k = 0; k < spans.values.size() && spans.values[k].read; ++k) {
      const ValueShape& v = s.line[k];
      const AuthorName* a = author(c, s, v);
      out.push_back({{"position", to_json(c.document.position({u->line, u->from + spans.values[k].begin}))},
                     {"label", (a != nullptr ? a->label : v.name()) + ":"},
                     {"kind", kParameterHint},
                     {"paddingRight", true}});
    }
  }
  return out;
}

}  // namespace kelv::lsp
