#include "inspect/wording.h"

#include <utility>

#include "convert/converter.h"
#include "format/spelling.h"
#include "format/tags.h"
#include "inspect/shown_text.h"
#include "language/tr.h"

namespace kelv::wording {
namespace {

// A value's name as a stem and a number ("value" and 12 for "value12"; 0 without a number).
std::pair<std::string, int> numbered(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
    --digits;
  if (digits == name.size() || name.size() - digits > 6) return {name, 0};
  return {name.substr(0, digits), std::stoi(name.substr(digits))};
}

}  // namespace

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_space(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && is_space(s.back()))
    s.remove_suffix(1);
  return s;
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

// The tag of `vocabulary` nearest to `text` (a line that looks like a tag), as "<name>" or
// "</name>"; empty when none is near.
std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary) {
  const std::string wanted = lowered(trimmed(text));
  std::string best;
  std::size_t best_distance = 4;  // farther than this is no likely slip
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      for (const bool closing : {false, true}) {
        if (s.role == Role::Marker && !closing) continue;
        const std::string candidate = tag_of(s.name, closing);
        const std::size_t d = edit_distance(wanted, candidate);
        if (d < best_distance) {
          best_distance = d;
          best = candidate;
        }
      }
    }
  }
  return best;
}

Role role_of(std::string_view section, const Vocabulary& vocabulary) {
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      if (s.name == section) return s.role;
    }
  }
  return Role::Value;
}

// What a value is, as a finding names it: "a number".
std::string kind_of(const ValueShape& v) {
  switch (v.kind) {
    case ValueKind::Int:
      return tr("a number")();
    case ValueKind::Real:
      return tr("a real number")();
    case ValueKind::Word:
      return tr("a word")();
    case ValueKind::Text:
      return tr("a text")();
  }
  return {};
}

// The same without its article: "number".
std::string noun_of(const ValueShape& v) {
  switch (v.kind) {
    case ValueKind::Int:
      return tr("number")();
    case ValueKind::Real:
      return tr("real number")();
    case ValueKind::Word:
      return tr("word")();
    case ValueKind::Text:
      return tr("text")();
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

// The values as a list: "value3 to value16, word, text".
std::string listed(std::span<const ValueShape> values,
                   const std::function<std::string(const ValueShape&)>& name) {
  std::string out;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t j = i;
    while (j + 1 < values.size()) {
      const auto a = numbered(values[j].name());
      const auto b = numbered(values[j + 1].name());
      if (a.second == 0 || a.first != b.first || b.second != a.second + 1 ||
          name(values[j]) != values[j].name() || name(values[j + 1]) != values[j + 1].name())
        break;
      ++j;
    }
    // A run of three or more numbered values is told by its ends; two are named each.
    if (j == i + 1) --j;
    const std::string part =
        j > i ? tr("{1} to {2}")(name(values[i]), name(values[j])) : name(values[i]);
    out = out.empty() ? part : tr("{1}, {2}")(out, part);
    i = j + 1;
  }
  return out;
}

// The list, as a finding names it.
std::string list_name(ListId list) {
  switch (list) {
    case kItemList:
      return tr("the item list")();
    case kNpcList:
      return tr("the list of people")();
    case kTreasureList:
      return tr("the treasure list")();
    case kMusicList:
      return tr("the music list")();
    case kSoundList:
      return tr("the sound list")();
    default:
      return {};
  }
}

// How many entries a list holds, as a finding says it.
std::string entries(ListId list, std::int64_t n) {
  switch (list) {
    case kItemList:
      return tr("{1} item", "{1} items").n(n);
    case kNpcList:
      return tr("{1} person", "{1} people").n(n);
    case kTreasureList:
      return tr("{1} treasure", "{1} treasures").n(n);
    case kSoundList:
      return tr("{1} sound file", "{1} sound files").n(n);
    default:
      return tr("{1} music file", "{1} music files").n(n);
  }
}

}  // namespace kelv::wording
