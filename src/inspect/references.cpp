#include "inspect/references.h"

#include "language/tr.h"

namespace kelv {
namespace {

// The folder part of a path: everything before its last separator.
std::string folder_part(const std::string& path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of("\\/");
#else
  const std::size_t cut = path.rfind('/');
#endif
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// The list, as a finding names it, and how many entries it holds.
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

}  // namespace

References::Folder& References::folder_of(const std::string& path) {
  const std::string name = folder_part(path);
  for (Folder& f : folders_) {
    if (f.name == name) return f;
  }
  folders_.push_back({name, {}, {}});
  return folders_.back();
}

void References::list(const std::string& path, const Provided& provided, std::uint32_t line) {
  if (provided.list != 0) folder_of(path).lists[provided.list] = {path, provided.size, line};
}

void References::refer(const std::string& path,
                       const std::vector<Diagnostics::Reference>& references) {
  if (references.empty()) return;
  Folder& folder = folder_of(path);
  for (const Diagnostics::Reference& r : references)
    folder.references.push_back({path, r});
}

std::vector<std::string> References::findings() const {
  std::vector<std::string> out;
  for (const Folder& folder : folders_) {
    for (const Referring& r : folder.references) {
      const auto list = folder.lists.find(r.reference.list);
      if (list == folder.lists.end()) continue;  // its list is not among the files of the run
      const std::int32_t value = r.reference.value;
      const List& l = list->second;
      if (value >= 0 && value <= l.size) continue;
      const std::string where = l.line != 0 ? tr("{1}, line {2}")(l.path, l.line) : l.path;
      const std::string message =
          value < 0 ? tr("{1} is {2}: no entry of {3} has a negative number ({4} holds {5})")(
                          r.reference.value_name, value, list_name(r.reference.list), where,
                          entries(r.reference.list, l.size))
                    : tr("{1} is {2}, beyond {3}: {4} holds {5}, so no entry has that number, "
                         "whether they are numbered from 0 or from 1")(
                          r.reference.value_name, value, list_name(r.reference.list), where,
                          entries(r.reference.list, l.size));
      out.push_back(r.path + ":" + std::to_string(r.reference.line) + ": warning: " + message +
                    " [reference]");
    }
  }
  return out;
}

}  // namespace kelv
