#include "driver/paths.h"

#include <initializer_list>
#include <vector>

namespace kelv {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
constexpr char kSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

std::string with_extension(std::string_view path, std::string_view extension) {
  const std::string_view base = base_name(path);
  const std::size_t dot = base.rfind('.');
  const std::size_t keep =
      dot == std::string_view::npos ? path.size() : path.size() - base.size() + dot;
  return std::string(path.substr(0, keep)) + "." + std::string(extension);
}

}  // namespace

std::string_view base_name(std::string_view path) {
  // Byte by byte from the end: a path's name is short, its folders may not be.
  for (std::size_t i = path.size(); i-- > 0;) {
    for (const char separator : kSeparators) {
      if (path[i] == separator) return path.substr(i + 1);
    }
  }
  return path;
}

std::string output_path(std::string_view path) {
  return with_extension(path, "dat");
}

std::string source_path(std::string_view path) {
  return with_extension(path, "txt");
}

std::string joined(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && kSeparators.find(path.back()) == std::string_view::npos) path += kSeparator;
  return path + std::string(name);
}

bool is_wildcard(std::string_view path) {
#ifdef _WIN32
  return base_name(path).find_first_of("*?") != std::string_view::npos;
#else
  (void)path;
  return false;
#endif
}

std::string_view folder_part(std::string_view path) {
  return path.substr(0, path.size() - base_name(path).size());
}

std::string folder_key(std::string_view folder, std::string_view current) {
  std::string key;
#ifdef _WIN32
  constexpr std::string_view kSlashes = "\\/";
  if (folder.size() >= 2 && folder[1] == ':') {  // a drive
    key = folder.substr(0, 2);
    folder.remove_prefix(2);
  }
#else
  constexpr std::string_view kSlashes = kSeparators;
#endif
  const bool rooted = !folder.empty() && kSlashes.find(folder.front()) != std::string_view::npos;
  if (!rooted && key.empty() && !current.empty()) return folder_key(joined(current, folder));
  std::vector<std::string_view> names;
  while (!folder.empty()) {
    const std::size_t cut = folder.find_first_of(kSlashes);
    const std::string_view name = folder.substr(0, cut);
    folder.remove_prefix(cut == std::string_view::npos ? folder.size() : cut + 1);
    if (name.empty() || name == ".") continue;
    if (name == ".." && !names.empty() && names.back() != "..") {
      names.pop_back();
    } else if (name != ".." || !rooted) {  // the root's ".." is the root
      names.push_back(name);
    }
  }
  if (rooted) key += kSeparator;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) key += kSeparator;
    key += names[i];
  }
  return key;
}

ExplorerName explorer_name(std::string_view base) {
  constexpr std::string_view kTxt = ".txt";
  if (!base.ends_with(kTxt)) return {};
  std::string_view stem = base.substr(0, base.size() - kTxt.size());
  if (stem.ends_with(kTxt)) {
    while (stem.ends_with(kTxt))
      stem.remove_suffix(kTxt.size());
    return {ExplorerName::How::DoubledExtension, std::string(stem) + std::string(kTxt)};
  }
  // " (2)": the second copy in a folder, or a file downloaded twice.
  bool copy = false;
  if (const std::size_t open = stem.rfind(" ("); open != std::string_view::npos &&
                                                 stem.ends_with(')') && open + 3 < stem.size()) {
    const std::string_view number = stem.substr(open + 2, stem.size() - open - 3);
    if (number.find_first_not_of("0123456789") == std::string_view::npos) {
      stem = stem.substr(0, open);
      copy = true;
    }
  }
  // " - コピー" on a Japanese Windows, " - Copy" on an English one.
  for (const std::string_view suffix : {" - コピー", " - Copy"}) {
    if (stem.ends_with(suffix)) {
      stem.remove_suffix(suffix.size());
      copy = true;
      break;
    }
  }
  if (!copy || stem.empty()) return {};
  return {ExplorerName::How::Copy, std::string(stem) + std::string(kTxt)};
}

}  // namespace kelv
