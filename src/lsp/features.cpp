#include "lsp/features.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "format/scan.h"
#include "format/text.h"
#include "inspect/explain.h"
#include "language/tr.h"

namespace kelv::lsp {
namespace {

// Diagnostic severities and the kinds of symbols, completions and hints, as the protocol numbers
// them.
enum : int { kWarning = 2 };
enum : int { kKeyword = 14 };
enum : int { kField = 8, kNumber = 16, kArray = 18, kEvent = 24 };
enum : int { kParameterHint = 2 };

// The reader's line `line`, bytes `begin` to `end`, in the editor's positions.
Range span(const Document& d, std::uint32_t line, std::size_t begin, std::size_t end) {
  return {d.position({line, begin}), d.position({line, end})};
}

// The whole of the reader's lines `first` to `last`.
Range lines(const Document& d, std::uint32_t first, std::uint32_t last) {
  const std::uint32_t begin = d.lines_of(first).first;
  const std::uint32_t end = d.lines_of(last).second;
  return {{begin, 0}, {end, d.column_of(end, d.line(end).size())}};
}

Range finding_range(const Document& d, const kelv::Finding& f) {
  if (f.columns.whole_line()) return lines(d, f.line, f.line);
  return span(d, f.line, f.columns.begin - 1, f.columns.end - 1);
}

std::string hex(char32_t c) {
  char out[16];
  std::snprintf(out, sizeof out, "%04X", static_cast<unsigned>(c));
  return out;
}

// The use of the reader's line that holds `place`.
const LineUse* use_at(const std::vector<LineUse>& uses, const ReaderPlace& place) {
  const LineUse* found = nullptr;
  for (const LineUse& u : uses) {
    if (u.line == place.line && (found == nullptr || u.byte <= place.byte)) found = &u;
    if (u.line > place.line) break;
  }
  return found;
}

std::string_view text_of(const Document& d, const LineUse& u) {
  return d.reader_line(u.line).substr(std::min(u.byte, d.reader_line(u.line).size()), u.length);
}

std::string code(std::string_view s) {
  std::string out(1, '`');
  out.append(s).append(1, '`');
  return out;
}

// The value's name, and the author's beside it where names.txt gives one.
std::string value_name(const Context& c, const SectionShape& s, const ValueShape& v) {
  const AuthorName* a = c.names != nullptr ? c.names->find(c.subject.name(), s.name, v.name()) : nullptr;
  return a == nullptr ? code(v.name()) : code(v.name()) + " \"" + a->label + "\"";
}

std::string about_section(const Context& c, const SectionShape& s) {
  return "```text\n" + section_text(s, c.subject.name(), c.names) + "```";
}

std::string data_line_hover(const Context& c, const SectionShape& s, const LineUse& u,
                            std::size_t byte) {
  const std::string_view text = text_of(c.document, u);
  std::string out;
  if (text.starts_with('<') && text.ends_with('>')) {
    out += tr("Read as a data line of {1}, not as a tag: while {1} is open, only its own tags "
              "and those listed before it are tags.")(code(tag_of(s.name))) +
           "\n\n";
  }
  const std::vector<ValueSpan> spans = value_spans(text, s.line);
  for (std::size_t k = 0; k < spans.size(); ++k) {
    if (byte < spans[k].begin || byte >= std::max(spans[k].end, spans[k].begin + 1)) continue;
    const ValueShape& v = s.line[k];
    out += "**" + tr("value {1} of {2}")(k + 1, s.line.size()) + "** " + value_name(c, s, v) +
           ": " + value_text(v);
    if (!spans[k].read) out += "\n\n" + tr("not read: the scan stopped before it, so it keeps what it held")();
    const AuthorName* a = c.names != nullptr ? c.names->find(c.subject.name(), s.name, v.name()) : nullptr;
    if (a != nullptr && !a->description.empty()) out += "\n\n" + a->description;
    out += "\n\n";
    break;
  }
  out += tr("data line {1} of {2}, open since line {3}")(u.index + 1, code(tag_of(s.name)), u.opened_at);
  return out;
}

// Where a section stands in the document: its lines and what they hold.
struct Span {
  int section = 0;
  std::uint32_t first = 0;  // the reader's line of its tag
  std::uint32_t last = 0;
  std::uint32_t data = 0;  // its data lines
};

std::vector<Span> spans_of(const std::vector<LineUse>& uses, const Numbered& numbered) {
  std::vector<Span> out;
  std::optional<Span> open;
  for (const LineUse& u : uses) {
    if (u.what == LineUse::Open) {
      if (open) out.push_back(*open);
      open = Span{u.section, u.line, u.line, 0};
    } else if (u.what == LineUse::Close) {
      if (numbered[u.section].role == Role::Marker) {
        out.push_back({u.section, u.line, u.line, 0});
      } else if (open) {
        open->last = u.line;
        out.push_back(*open);
        open.reset();
      }
    } else if (u.what == LineUse::Data && open) {
      open->last = u.line;
      ++open->data;
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

Json diagnostics(const Context& c) {
  Json out = Json::array();
  const auto add = [&](const Range& r, std::string_view kind, const std::string& message) {
    out.push_back({{"range", to_json(r)},
                   {"severity", kWarning},
                   {"code", kind},
                   {"source", "kelvconv"},
                   {"message", message}});
  };
  for (const Unencodable& u : c.document.unencodable()) {
    const std::string_view character =
        c.document.line(u.line).substr(u.begin, u.end - u.begin);
    add({{u.line, c.document.column_of(u.line, u.begin)}, {u.line, c.document.column_of(u.line, u.end)}},
        "encoding",
        tr("\"{1}\" (U+{2}) has no Shift-JIS form: saved in Shift-JIS, the file holds \"?\" in "
           "its place")(character, hex(u.character)));
  }
  for (const kelv::Finding& f : findings(c.document, c.subject, c.names))
    add(finding_range(c.document, f), f.kind->id, f.message);
  return out;
}

Json hover(const Context& c, const Position& at) {
  const ReaderPlace place = c.document.reader_place(at);
  const std::vector<LineUse> uses = line_uses(c.document, c.subject.vocabulary());
  const LineUse* u = use_at(uses, place);
  if (u == nullptr) return nullptr;
  const Numbered numbered(c.subject.vocabulary());
  std::string text;
  switch (u->what) {
    case LineUse::Open:
    case LineUse::Close: {
      const SectionShape& s = numbered[u->section];
      text = "**" + code(s.role == Role::Marker ? tag_of(s.name, true)
                                                : tag_of(s.name) + " ... " + tag_of(s.name, true)) +
             "**\n\n" + about_section(c, s);
      break;
    }
    case LineUse::Data:
      text = data_line_hover(c, numbered[u->section], *u, place.byte - u->byte);
      break;
    case LineUse::Outside: {
      const std::string_view line = text_of(c.document, *u);
      if (std::all_of(line.begin(), line.end(), is_space)) return nullptr;
      text = tr("Outside every section: a comment, which the reader skips.")();
      break;
    }
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", to_json(span(c.document, u->line, u->byte, u->byte + u->length))}};
}

Json completion(const Context& c, const Position& at) {
  Json items = Json::array();
  const Json none = {{"isIncomplete", false}, {"items", items}};
  // Only where a tag can go: a line that holds nothing else before the cursor.
  const std::string_view line = c.document.line(at.line);
  const std::string_view before =
      line.substr(0, c.document.offset_of(at) - c.document.offset_of({at.line, 0}));
  if (!before.empty() && (before.front() != '<' || std::any_of(before.begin(), before.end(), is_space)))
    return none;
  const ReaderPlace place = c.document.reader_place(at);
  const std::vector<LineUse> uses = line_uses(c.document, c.subject.vocabulary());
  const LineUse* u = use_at(uses, place);
  const Numbered numbered(c.subject.vocabulary());
  int open = 0;
  if (u != nullptr) {
    open = u->open_before;
  } else if (!uses.empty()) {
    const LineUse& last = uses.back();
    open = last.what == LineUse::Open ? last.section
           : last.what == LineUse::Close && numbered[last.section].role != Role::Marker ? 0
                                                                                         : last.open_before;
  }
  const Range whole{{at.line, 0}, {at.line, c.document.column_of(at.line, line.size())}};
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
  for (const Span& s : spans_of(line_uses(c.document, c.subject.vocabulary()), numbered)) {
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
  const Numbered numbered(c.subject.vocabulary());
  Json out = Json::array();
  for (const Span& s : spans_of(line_uses(c.document, c.subject.vocabulary()), numbered)) {
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
  for (const LineUse& u : line_uses(c.document, c.subject.vocabulary())) {
    if (u.line < first || u.what != LineUse::Data) continue;
    if (u.line > last) break;
    const SectionShape& s = numbered[u.section];
    if (s.line.size() <= kHintedValues) continue;
    const std::vector<ValueSpan> spans = value_spans(text_of(c.document, u), s.line);
    for (std::size_t k = 0; k < spans.size() && spans[k].read; ++k) {
      const ValueShape& v = s.line[k];
      const AuthorName* a = c.names != nullptr ? c.names->find(c.subject.name(), s.name, v.name()) : nullptr;
      out.push_back({{"position", to_json(c.document.position({u.line, u.byte + spans[k].begin}))},
                     {"label", (a != nullptr ? a->label : v.name()) + ":"},
                     {"kind", kParameterHint},
                     {"paddingRight", true}});
    }
  }
  return out;
}

}  // namespace kelv::lsp
