#include "inspect/references.h"

#include "format/tags.h"
#include "inspect/messages.h"
#include "inspect/names.h"

namespace kelv {

ListsHeard::ListsHeard(const Vocabulary& vocabulary, std::string_view kind, const Names* names)
    : kind_(kind), names_(names) {
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      if (s.role == Role::Count && first_count_.empty()) first_count_ = s.name;
    }
  }
}

void ListsHeard::count_line(std::uint32_t line, std::string_view section) {
  if (section == first_count_) count_line_ = line;
}

void ListsHeard::reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                           std::int32_t number) {
  // A numbered value ("value2") is named with its section, where it is one of many alike.
  std::string name = value_name(value, kind_, section, names_);
  if (value.number != 0 && !section.empty()) name = tag_of(section) + " " + name;
  references_.push_back({line, number, value.refers, std::move(name)});
}

References::Folder& References::folder_named(std::string_view name) {
  for (Folder& f : folders_) {
    if (f.name == name) return f;
  }
  folders_.push_back({std::string(name), {}, {}});
  return folders_.back();
}

void References::add(std::string_view folder, const std::string& path, const Provided& provided,
                     const ListsHeard& heard) {
  if (provided.list == 0 && heard.references().empty()) return;
  Folder& f = folder_named(folder);
  if (provided.list != 0) f.lists[provided.list] = {path, provided.size, heard.count_line()};
  for (const ListsHeard::Reference& r : heard.references())
    f.references.push_back({path, r});
}

std::vector<Finding> References::findings() const {
  std::vector<Finding> out;
  for (const Folder& folder : folders_) {
    for (const Referring& r : folder.references) {
      const auto list = folder.lists.find(r.reference.list);
      if (list == folder.lists.end()) continue;  // its list is not among the files of the run
      const List& l = list->second;
      if (r.reference.value >= 0 && r.reference.value <= l.size) continue;
      out.push_back(out_of_list(r.path, r.reference.line, r.reference.value_name, r.reference.value,
                                r.reference.list, l.path, l.size, l.line));
    }
  }
  return out;
}

}  // namespace kelv
