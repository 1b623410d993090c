#include "inspect/carry_over.h"

#include <algorithm>

#include "inspect/messages.h"

namespace kelv {

std::vector<const SectionShape*> carried_sections(const Vocabulary& vocabulary) {
  std::vector<const SectionShape*> carried;
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      if (s.carries_over) carried.push_back(&s);
    }
  }
  return carried;
}

std::vector<Finding> CarryOver::add(const Kind& kind, std::string_view folder,
                                    const std::string& path, const CarriedHeard& heard) {
  // The sections taken from each file of another folder, in the order of the file's sections.
  std::vector<std::pair<const Giver*, std::vector<std::string_view>>> taken;
  for (const SectionShape* s : carried_sections(kind.vocabulary())) {
    const auto key = std::pair(&kind, s->name);
    if (const auto given = heard.given().find(s->name); given != heard.given().end()) {
      last_[key] = {path, std::string(folder), given->second};
      continue;
    }
    const auto last = last_.find(key);
    if (last == last_.end() || last->second.folder == folder) continue;
    const Giver* giver = &last->second;
    auto from = std::ranges::find(taken, giver->path, [](const auto& t) { return t.first->path; });
    if (from == taken.end()) from = taken.insert(taken.end(), {giver, {}});
    from->second.push_back(s->name);
  }
  std::vector<Finding> findings;
  for (const auto& [giver, sections] : taken)
    findings.push_back(carried_over(path, giver->path, giver->line, sections));
  return findings;
}

}  // namespace kelv
