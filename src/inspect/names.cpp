#include "inspect/names.h"

#include <array>
#include <vector>

#include "format/spelling.h"
#include "inspect/diagnostics.h"
#include "inspect/shown_text.h"
#include "language/tr.h"

namespace kelv {
namespace {

std::string key(std::string_view kind, std::string_view section, std::string_view value) {
  std::string k(kind);
  k.append(1, '\0').append(section).append(1, '\0').append(value);
  return k;
}

// The next word of `text` from `at` on (a Shift-JIS character is never split), or empty.
std::string_view next_word(std::string_view text, std::size_t& at) {
  while (at < text.size() && is_space(text[at]))
    ++at;
  const std::size_t begin = at;
  while (at < text.size() && !is_space(text[at]))
    at += is_sjis_lead(text[at]) && at + 1 < text.size() ? 2 : 1;
  return text.substr(begin, at - begin);
}

// Whether the kind has the value `value` in `section` (in any section when it is empty).
bool has_value(const Kind& kind, std::string_view section, std::string_view value) {
  for (const auto& group : kind.vocabulary().groups) {
    for (const SectionShape& s : group) {
      if (!section.empty() && s.name != section) continue;
      for (const ValueShape& v : s.line) {
        if (v.name() == value) return true;
      }
    }
  }
  return false;
}

// The digits a name ends in ("3" of "value3").
std::string_view number_of(std::string_view name) {
  std::size_t at = name.size();
  while (at > 0 && name[at - 1] >= '0' && name[at - 1] <= '9')
    --at;
  return name.substr(at);
}

// The value of `kind` that `typed` was probably meant as, named as names.txt names it
// (VALUE, or SECTION.VALUE where `typed` has a section); empty when none is that close. A
// numbered value is meant by its number: "value99" of an item is no slip for value9.
std::string value_meant(const Kind& kind, std::string_view typed) {
  std::vector<std::string> names;
  for (const auto& group : kind.vocabulary().groups) {
    for (const SectionShape& s : group) {
      for (const ValueShape& v : s.line) {
        std::string name = v.name();
        if (number_of(name) != number_of(typed)) continue;
        names.push_back(typed.find('.') == std::string_view::npos
                            ? std::move(name)
                            : std::string(s.name) + "." + name);
      }
    }
  }
  return nearest_meant(typed, names);
}

struct Reading {
  std::map<std::string, AuthorName, std::less<>>& names;
  Diagnostics* findings;
};

// "VALUE NAME DESCRIPTION..." of the kind whose section is open.
void on_line(Reading& r, const Line& l) {
  const Kind& kind = catalog()[static_cast<std::size_t>(l.section_number() - 1)];
  const std::string_view text = l.text();
  std::size_t at = 0;
  const std::string_view value = next_word(text, at);
  if (value.empty()) return;
  const std::string_view label = next_word(text, at);
  while (at < text.size() && is_space(text[at]))
    ++at;
  std::string_view description = text.substr(at);
  while (!description.empty() && is_space(description.back()))
    description.remove_suffix(1);
  const std::size_t dot = value.find('.');
  const std::string_view section = dot == std::string_view::npos ? "" : value.substr(0, dot);
  const std::string_view name = dot == std::string_view::npos ? value : value.substr(dot + 1);
  const bool known = has_value(kind, section, name);
  if (!known || label.empty()) {
    if (r.findings != nullptr) {
      r.findings->unknown_name(l, value, kind.name(), known,
                               known ? std::string() : value_meant(kind, value));
    }
    return;
  }
  bool exact = true;
  r.names[key(kind.name(), section, name)] = {plain(label, exact), plain(description, exact)};
}

// What a names file's line holds.
constexpr std::array<ValueShape, 3> kNameLine{
    ValueShape{"value", 0, ValueKind::Word, Stored::AsRead, kShortLines},
    ValueShape{"name", 0, ValueKind::Word, Stored::AsRead, kShortLines},
    ValueShape{"description", 0, ValueKind::Text, Stored::AsRead, kShortLines}};

// One section per kind, named as the kind.
const std::vector<Section<Reading>>& sections() {
  static const std::vector<Section<Reading>> all = [] {
    std::vector<Section<Reading>> s;
    for (const Kind& k : catalog())
      s.push_back({.name = k.name(), .on_data = on_line, .line = kNameLine});
    return s;
  }();
  return all;
}

}  // namespace

const AuthorName* Names::find(std::string_view kind, std::string_view section,
                              std::string_view value) const {
  if (names_.empty()) return nullptr;
  for (const std::string_view in : {section, std::string_view()}) {
    if (const auto it = names_.find(key(kind, in, value)); it != names_.end()) return &it->second;
  }
  return nullptr;
}

bool Names::names_kind(std::string_view kind) const {
  const std::string prefix = std::string(kind).append(1, '\0');
  const auto it = names_.lower_bound(prefix);
  return it != names_.end() && it->first.starts_with(prefix);
}

Names Names::read(ByteSource& source, Diagnostics* findings, LinkListener& links) {
  Names names;
  Reading reading{names.names_, findings};
  const Group<Reading> groups[] = {sections()};
  SilentReport silent;
  walk<Reading>(source, kLongLines, reading, groups,
                findings != nullptr ? static_cast<Report&>(*findings) : silent, links);
  return names;
}

std::string value_name(const ValueShape& value, std::string_view kind, std::string_view section,
                       const Names* names) {
  const std::string name = value.name();
  const AuthorName* author = names != nullptr ? names->find(kind, section, name) : nullptr;
  return author == nullptr ? name : tr("{1} \"{2}\"")(name, author->label);
}

const Vocabulary& Names::vocabulary() {
  static const Vocabulary v = [] {
    Vocabulary vocabulary{tr("the author's names for the values of each kind"), kLongLines, {{}}};
    for (const Section<Reading>& s : sections())
      vocabulary.groups[0].push_back(s.shape());
    return vocabulary;
  }();
  return v;
}

std::string names_template(const Kind& kind) {
  // Every value of the sections of records and values, qualified where its name is not enough.
  std::map<std::string, int> seen;
  const auto each_value = [&](auto&& use) {
    for (const auto& group : kind.vocabulary().groups) {
      for (const SectionShape& s : group) {
        if (s.role == Role::Count || s.role == Role::Marker) continue;
        for (const ValueShape& v : s.line)
          use(s, v);
      }
    }
  };
  each_value([&](const SectionShape&, const ValueShape& v) { ++seen[v.name()]; });
  std::string out = tag_of(kind.name()) + "\n";
  std::map<std::string, bool> written;
  each_value([&](const SectionShape& s, const ValueShape& v) {
    const std::string name = v.name();
    const std::string full = seen[name] > 1 ? std::string(s.name) + "." + name : name;
    if (written[full]) return;
    written[full] = true;
    out += full + " " + name + "\n";
  });
  return out + tag_of(kind.name(), true) + "\n";
}

}  // namespace kelv
