#include "inspect/explain.h"

#include <algorithm>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "language/tr.h"

namespace kelv {
namespace {

// What a value is; a run of `many` numbered values of one kind as one.
std::string kind_of(const ValueShape& v, bool many) {
  const std::int64_t most = v.size - 1;
  switch (v.kind) {
    case ValueKind::Int:
      return many ? tr("numbers")() : tr("a number")();
    case ValueKind::Real:
      return many ? tr("real numbers")() : tr("a real number")();
    case ValueKind::Word:
      return many ? tr("words of at most {1} bytes")(most)
                  : tr("a word of at most {1} bytes")(most);
    case ValueKind::Text:
      return tr("the whole line, of which {1} bytes are kept")(most);
  }
  return {};
}

std::string stored_of(const ValueShape& v) {
  switch (v.stored) {
    case Stored::AsRead:
      return {};
    case Stored::PlusOne:
      return tr("; stored plus one")();
    case Stored::ZeroUnreached:
      return tr("; 0 when the line ends before it")();
    case Stored::Breaks:
      return tr("; '#' stands for a line break")();
  }
  return {};
}

bool alike(const ValueShape& a, const ValueShape& b) {
  return a.stem == b.stem && a.kind == b.kind && a.stored == b.stored && a.size == b.size &&
         a.number != 0 && b.number == a.number + 1;
}

// The values of a line in order; a run of numbered values of one kind as one range, where the
// author has named none of them.
std::string values_of(std::span<const ValueShape> line,
                      const std::function<const AuthorName*(const ValueShape&)>& author,
                      std::size_t width) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t j = i;
    while (j + 1 < line.size() && alike(line[j], line[j + 1]) && author(line[j]) == nullptr &&
           author(line[j + 1]) == nullptr)
      ++j;
    const bool many = j > i;
    const AuthorName* named = many ? nullptr : author(line[i]);
    const std::string names = many               ? tr("{1} to {2}")(line[i].name(), line[j].name())
                              : named != nullptr ? tr("{1} \"{2}\"")(line[i].name(), named->label)
                                                 : line[i].name();
    std::string value = names + ": " + kind_of(line[i], many) + stored_of(line[i]);
    if (named != nullptr && !named->description.empty()) value += tr("; {1}")(named->description);
    out += wrapped(value, "    ", width, 2);
    i = j + 1;
  }
  return out;
}

}  // namespace

std::string section_text(const SectionShape& s, std::string_view kind, const Names* names,
                         std::size_t width) {
  std::string out;
  std::string what;
  switch (s.role) {
    case Role::Value:
      what = s.line.size() == 1 && s.line[0].kind == ValueKind::Text
                 ? tr("a text; the last line of the section wins:")()
                 : tr("a line of values; each line reads over the values the lines before gave:")();
      break;
    case Role::Count:
      what = tr("a count: one number")();
      break;
    case Role::Records:
      what = tr("one record per line:")();
      break;
    case Role::Marker:
      what = tr("a closing tag alone, outside every section")();
      break;
  }
  out += wrapped(what, "  ", width);
  if (s.role != Role::Count && s.role != Role::Marker) {
    out += values_of(
        s.line,
        [&](const ValueShape& v) {
          return names != nullptr ? names->find(kind, s.name, v.name()) : nullptr;
        },
        width);
  }
  std::string note = s.note.empty() ? std::string() : s.note();
  if (s.carries_over) {
    note = note.empty() ? tr("kept for the next file of this kind")()
                        : tr("{1}; kept for the next file of this kind")(note);
  }
  if (!note.empty()) {
    if (note[0] >= 'a' && note[0] <= 'z') note[0] = static_cast<char>(note[0] - 'a' + 'A');
    out += wrapped(tr("{1}.")(note), "  ", width);
  }
  return out;
}

std::string value_text(const ValueShape& value) {
  return kind_of(value, false) + stored_of(value);
}

namespace {

// A section: its tags, what its lines are, and what else an author needs to know of it.
std::string section_of(const SectionShape& s, std::string_view kind, const Names* names,
                       std::size_t width) {
  const std::string tags = s.role == Role::Marker
                               ? tag_of(s.name, true)
                               : tag_of(s.name) + " ... " + tag_of(s.name, true);
  return tags + "\n" + section_text(s, kind, names, width);
}

}  // namespace

std::string explain(const Kind& kind, const Names* names, std::size_t width) {
  const Vocabulary& v = kind.vocabulary();
  std::string out = wrapped(kind.pattern() + ": " + v.about(), "", width, 2) + "\n";
  out += wrapped(
      tr("Lines are read up to {1} bytes; a longer line is read as several lines. A section runs "
         "from its opening tag to its closing tag, each alone on its line, with nothing before or "
         "after it; the lines between are its data lines. Lines outside every section are "
         "comments. While a section is open, the tags of the sections listed after it are read as "
         "its data lines: only its own tags and those listed before it are tags.")(v.line_buffer -
                                                                                   1),
      "", width);
  if (v.groups.size() > 1) {
    out += wrapped(tr("The sections come in {1} groups; every line goes through each group in "
                      "turn, so a section of one group may be open beside a section of another.")(
                       v.groups.size()),
                   "", width);
  }
  std::string kept;
  bool all_kept = true;
  for (std::size_t g = 0; g < v.groups.size(); ++g) {
    out += "\n";
    if (v.groups.size() > 1) out += tr("Group {1}:")(g + 1) + "\n";
    for (const SectionShape& s : v.groups[g]) {
      out += section_of(s, kind.name(), names, width);
      if (s.carries_over) kept.append(kept.empty() ? "" : " ").append(tag_of(s.name));
      all_kept = all_kept && (s.carries_over || s.role == Role::Marker);
    }
  }
  out += "\n";
  if (kept.empty()) {
    out += wrapped(tr("Nothing carries over from one file of this kind to the next.")(), "", width);
  } else if (all_kept) {
    out += wrapped(tr("A later file of this kind in the same run starts from everything the "
                      "earlier file gave, until a line of its own gives another value.")(),
                   "", width);
  } else {
    out += wrapped(tr("A later file of this kind in the same run starts from what these sections "
                      "of the earlier file gave, until a line of its own gives another: {1}. "
                      "Everything else starts empty in each file.")(kept),
                   "", width);
  }
  return out;
}

namespace {

using Json = nlohmann::ordered_json;

// What `say` gives in each language, by the language's code.
template <class F>
Json in_both(const F& say) {
  const Language was = language();
  Json out;
  use_language(Language::English);
  out["en"] = say();
  use_language(Language::Japanese);
  out["ja"] = say();
  use_language(was);
  return out;
}

const char* role_name(Role role) {
  switch (role) {
    case Role::Value:
      return "value";
    case Role::Count:
      return "count";
    case Role::Records:
      return "records";
    case Role::Marker:
      return "marker";
  }
  return "";
}

const char* kind_name(ValueKind kind) {
  switch (kind) {
    case ValueKind::Int:
      return "int";
    case ValueKind::Real:
      return "real";
    case ValueKind::Word:
      return "word";
    case ValueKind::Text:
      return "text";
  }
  return "";
}

const char* stored_name(Stored stored) {
  switch (stored) {
    case Stored::AsRead:
      return "as_read";
    case Stored::PlusOne:
      return "plus_one";
    case Stored::ZeroUnreached:
      return "zero_unreached";
    case Stored::Breaks:
      return "breaks";
  }
  return "";
}

// The kind whose data file holds each list that numbers of other kinds index.
const std::map<ListId, std::string_view>& providers() {
  static const std::map<ListId, std::string_view> all = [] {
    std::map<ListId, std::string_view> m;
    for (const Kind& k : catalog()) {
      if (const ListId list = k.make()->provided().list; list != 0) m[list] = k.name();
    }
    return m;
  }();
  return all;
}

Json section_json(const SectionShape& s, std::string_view kind, const Names* names) {
  Json j;
  j["name"] = s.name;
  j["role"] = role_name(s.role);
  j["open_tag"] = s.role == Role::Marker ? Json() : Json(tag_of(s.name));
  j["close_tag"] = tag_of(s.name, true);
  j["restarts"] = s.restarts;
  j["carries_over"] = s.carries_over;
  j["description"] = in_both([&] {
    std::string text = section_text(s, kind, names);
    if (text.ends_with('\n')) text.pop_back();
    return text;
  });
  if (!s.note.empty()) j["note"] = in_both([&] { return s.note(); });
  Json values = Json::array();
  for (const ValueShape& v : s.line) {
    Json value;
    value["name"] = v.name();
    value["kind"] = kind_name(v.kind);
    value["size"] = v.size;
    value["stored"] = stored_name(v.stored);
    if (v.refers != 0) {
      const auto it = providers().find(v.refers);
      value["refers"] = it != providers().end() ? Json(it->second) : Json();
    }
    value["description"] = in_both([&] { return value_text(v); });
    if (const AuthorName* a = names != nullptr ? names->find(kind, s.name, v.name()) : nullptr) {
      value["label"] = a->label;
      if (!a->description.empty()) value["label_description"] = a->description;
    }
    values.push_back(std::move(value));
  }
  j["values"] = std::move(values);
  return j;
}

Json vocabulary_json(const Vocabulary& v, std::string_view kind, const Names* names) {
  Json j;
  j["about"] = in_both([&] { return v.about(); });
  j["line_bytes"] = v.line_buffer - 1;
  Json groups = Json::array();
  for (const auto& group : v.groups) {
    Json sections = Json::array();
    for (const SectionShape& s : group)
      sections.push_back(section_json(s, kind, names));
    groups.push_back(std::move(sections));
  }
  j["groups"] = std::move(groups);
  return j;
}

}  // namespace

std::string explain_json(std::span<const Kind* const> kinds, const Names* names) {
  Json out;
  out["program"] = "kelvconv";
  out["version"] = KELV_VERSION;
  Json list = Json::array();
  for (const Kind* k : kinds) {
    Json j;
    j["name"] = k->name();
    j["pattern"] = k->pattern();
    j["match"] = k->match == Match::Name ? "name" : "prefix";
    j["source"] = k->source;
    j.update(vocabulary_json(k->vocabulary(), k->name(), names));
    list.push_back(std::move(j));
  }
  out["kinds"] = std::move(list);
  Json names_file;
  names_file["name"] = kNamesFile;
  names_file.update(vocabulary_json(Names::vocabulary(), {}, nullptr));
  out["names_file"] = std::move(names_file);
  return out.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string kinds(std::size_t width) {
  constexpr std::size_t kColumn = 25;  // where the kinds' descriptions begin
  std::string out;
  for (const Kind& k : catalog()) {
    std::string name = k.pattern();
    name.resize(std::max<std::size_t>(name.size() + 1, kColumn), ' ');
    out += wrapped(name + k.vocabulary().about(), "", width, kColumn);
  }
  return out;
}

}  // namespace kelv
