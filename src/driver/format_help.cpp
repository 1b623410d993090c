#include "driver/format_help.h"

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
  Names names;
  bool explained = false;
  std::vector<const Kind*> named;  // with --json: the kinds to give, all at once
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
    if (options.json) {
      named.push_back(kind);
    } else {
      console.info(explain(*kind, names.empty() ? nullptr : &names));
    }
    explained = true;
  }
  if (options.json) {
    // Every kind where none is named: the whole grammar of the sources.
    if (named.empty()) {
      for (const Kind& k : catalog())
        named.push_back(&k);
    }
    console.info(explain_json(named, names.empty() ? nullptr : &names));
  } else if (!explained) {
    console.info(kinds());
  }
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
