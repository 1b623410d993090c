#include "driver/format_help.h"

#include <algorithm>
#include <string>
#include <vector>

#include "driver/file_source.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "inspect/explain.h"

namespace kelv {
namespace {

constexpr Text kNoSuchKind =
    tr("no kind of source is called '{1}' (kelvconv --explain lists them)");

}  // namespace

Names names_in(std::string_view folder) {
  FileSource source(joined(folder, kNamesFile));
  return source.open() ? Names::read(source) : Names();
}

int explain_kinds(const Options& options, FileSystem& files, Console& console) {
  // A terminal wider than 80 columns lends --explain its width, up to a point.
  const std::size_t columns = console.columns();
  const std::size_t width = columns > 80 ? std::min(columns - 1, kWidest) : kNarrowest;
  Names names;
  bool explained = false;
  for (const std::string_view name : options.paths) {
    const std::string path(name);
    if (files.is_folder(path)) {
      names = names_in(path);
      continue;
    }
    const std::string_view base = base_name(path);
    const Kind* kind = kind_named(base);
    if (kind == nullptr) {
      console.error(kNoSuchKind(name));
      return kExitUsage;
    }
    // A source named by its path, also one in the current folder, brings its folder's names.
    if (base.size() != path.size() || files.exists(path)) names = names_in(folder_part(path));
    console.info(explain(*kind, names.empty() ? nullptr : &names, width));
    explained = true;
  }
  if (!explained) console.info(kinds(width));
  return kExitOk;
}

int names_templates(const Options& options, Console& console) {
  std::vector<const Kind*> kinds;
  for (const std::string_view name : options.paths) {
    kinds.push_back(kind_named(base_name(name)));
    if (kinds.back() == nullptr) {
      console.error(kNoSuchKind(name));
      return kExitUsage;
    }
  }
  if (kinds.empty()) {
    for (const Kind& k : catalog())
      kinds.push_back(&k);
  }
  for (const Kind* kind : kinds) {
    const std::string section = names_template(*kind);
    console.info(std::string_view(section).substr(0, section.size() - 1));
  }
  return kExitOk;
}

}  // namespace kelv
