#include "driver/serve.h"

#include <algorithm>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "lsp/server.h"
#include "platform/platform.h"

namespace kelv {
namespace {

// What a run says, kept for the editor: the standard output is the protocol's, and no question
// can be asked (the runs give -y).
class Kept final : public Console {
 public:
  Answer ask_overwrite(const std::string&) override { return Answer::CannotAsk; }
  void cannot_create(const std::string& output, const Problem& reason) override {
    done.failures.push_back(output + ": " + kCannotCreate() + ": " + reason);
  }
  void error(std::string_view line) override { done.failures.emplace_back(line); }
  void info(std::string_view line) override {
    if (line.find(" -> ") != std::string_view::npos) done.converted.emplace_back(line);
  }
  void diagnostic(std::string_view) override { ++done.warnings; }
  void usage_hint(std::string_view) override {}

  lsp::Conversion done;
};

class Converting final : public lsp::Host {
 public:
  lsp::Conversion convert_kind_of(const std::string& path) override {
    // The sources of the kind in the folder, in the byte order of their names.
    const Kind* kind = kind_of_source(base_name(path));
    std::vector<std::string> args{"kelvconv", "-u", "-y", "-v", "--"};
    const std::string folder(folder_part(path));
    std::vector<FileSystem::Entry> entries;
    system_files().list(folder.empty() ? "." : folder, entries);
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : entries) {
      if (!e.folder && kind_of_source(e.name) == kind) args.push_back(folder + e.name);
    }
    if (args.size() == 5) args.push_back(path);  // the folder cannot be listed: the file alone
    return convert(args);
  }

  lsp::Conversion convert_folder(const std::string& folder) override {
    return convert({"kelvconv", "-y", "-v", "--", folder});
  }

 private:
  static lsp::Conversion convert(const std::vector<std::string>& args) {
    std::vector<const char*> pointers;
    for (const std::string& a : args)
      pointers.push_back(a.c_str());
    Kept kept;
    kept.done.failed = run(pointers, system_files(), kept) != kExitOk;
    return kept.done;
  }
};

}  // namespace

int serve_editor() {
  Converting host;
  return lsp::serve(lsp::standard_transport(), &host);
}

}  // namespace kelv
