#include "driver/format_help.h"

#include <algorithm>
#include <string>
#include <vector>

#include "driver/file_source.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "format/spelling.h"
#include "inspect/explain.h"

namespace kelv {
namespace {

// The kind an author probably meant by `typed`, by its name, its source's name, or the name
// without "_list" ("items" for item_list); empty when none is that close.
std::string kind_meant(std::string_view typed) {
  std::vector<std::string> names;
  std::vector<std::string_view> kinds;
  for (const Kind& k : catalog()) {
    std::string_view name = k.name();
    for (const std::string_view n : {name, k.source, name.substr(0, name.rfind("_list"))}) {
      names.emplace_back(n);
      kinds.push_back(name);
    }
  }
  const std::string meant = nearest_meant(typed, names);
  if (meant.empty()) return meant;
  return std::string(kinds[static_cast<std::size_t>(std::ranges::find(names, meant) - names.begin())]);
}

// What a name that is no kind's is told, with the kind it was probably meant as.
void no_such_kind(Console& console, std::string_view name) {
  const std::string meant = kind_meant(base_name(name));
  console.error(meant.empty()
                    ? tr("no kind of source is called '{1}' (kelvconv --explain lists them)")(name)
                    : tr("no kind of source is called '{1}'; did you mean {2}? (kelvconv --explain "
                         "lists them)")(name, meant));
}

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
  // A folder that no kind follows explains the kinds its names file gives names to.
  bool folder_alone = false;
  const auto named_kinds = [&] {
    if (!folder_alone || names.empty()) return;
    for (const Kind& k : catalog()) {
      if (names.names_kind(k.name())) console.info(explain(k, &names, width));
    }
    explained = true;
  };
  std::vector<const Kind*> named;  // with --json: the kinds to give, all at once
  for (const std::string_view name : options.paths) {
    const std::string path(name);
    if (files.is_folder(path)) {
      named_kinds();
      names = names_in(path);
      folder_alone = true;
      continue;
    }
    folder_alone = false;
    const std::string_view base = base_name(path);
    const Kind* kind = kind_named(base);
    if (kind == nullptr) {
      no_such_kind(console, name);
      return kExitUsage;
    }
    // A source named by its path, also one in the current folder, brings its folder's names.
    if (base.size() != path.size() || files.exists(path)) names = names_in(folder_part(path));
    if (options.json) {
      named.push_back(kind);
    } else {
      console.info(explain(*kind, names.empty() ? nullptr : &names, width));
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
    return kExitOk;
  }
  named_kinds();
  if (!explained) console.info(kinds(width));
  return kExitOk;
}

int names_templates(const Options& options, Console& console) {
  std::vector<const Kind*> kinds;
  for (const std::string_view name : options.paths) {
    kinds.push_back(kind_named(base_name(name)));
    if (kinds.back() == nullptr) {
      no_such_kind(console, name);
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
