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

namespace {

// A value that indexes a list as a finding names it. A numbered value ("value2") is named with
// its section, where it is one of many alike.
std::string name_of(const ValueShape& value, std::string_view kind, std::string_view section,
                    const Names* names) {
  std::string name = value_name(value, kind, section, names);
  if (value.number != 0 && !section.empty()) name = tag_of(section) + " " + name;
  return name;
}

}  // namespace

void ListsHeard::reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                           std::int32_t number) {
  // The shape and the section are the converter's, which outlive every reading.
  references_.push_back({line, number, value.refers, &value, section,
                         names_ != nullptr ? name_of(value, kind_, section, names_) : ""});
}

References::Folder& References::folder_named(std::string_view name) {
  for (Folder& f : folders_) {
    if (f.name == name) return f;
  }
  folders_.push_back({std::string(name), {}, {}, {}});
  return folders_.back();
}

void References::add(std::string_view folder, const std::string& path, const Provided& provided,
                     const ListsHeard& heard) {
  if (provided.list == 0 && heard.references().empty()) return;
  Folder& f = folder_named(folder);
  if (provided.list != 0) f.lists[provided.list] = {path, provided.size, heard.count_line()};
  if (heard.references().empty()) return;
  f.sources.push_back({path, heard.kind()});
  for (const ListsHeard::Reference& r : heard.references())
    f.references.push_back({f.sources.size() - 1, r});
}

std::vector<Finding> References::findings() const {
  std::vector<Finding> out;
  for (const Folder& folder : folders_) {
    for (const Referring& r : folder.references) {
      const auto list = folder.lists.find(r.reference.list);
      if (list == folder.lists.end()) continue;  // its list is not among the files of the run
      const List& l = list->second;
      if (r.reference.value >= 0 && r.reference.value <= l.size) continue;
      const Source& from = folder.sources[r.source];
      const ListsHeard::Reference& ref = r.reference;
      const std::string name = ref.value_name.empty()
                                   ? name_of(*ref.shape, from.kind, ref.section, nullptr)
                                   : ref.value_name;
      out.push_back(out_of_list(from.path, ref.line, name, ref.value, ref.list, l.path, l.size,
                                l.line));
    }
  }
  return out;
}

}  // namespace kelv
