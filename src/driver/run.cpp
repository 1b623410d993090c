#include "driver/run.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "driver/options.h"
#include "driver/output_queue.h"
#include "driver/paths.h"
#include "driver/serve.h"
#include "inspect/diagnostics.h"
#include "inspect/explain.h"
#include "inspect/inspect.h"
#include "inspect/names.h"
#include "inspect/references.h"

namespace kelv {
namespace {

// One file of the run: what is done with it, in its turn among the others.
struct Job {
  enum class Task { Kind, Names, Skip, Misnamed, Missing, NoMatch, Unlisted };
  std::string path;
  const Kind* kind = nullptr;  // what its name selects (nullptr: none)
  Task task = Task::Kind;
  std::string detail = {};  // the name meant (Misnamed), why a folder cannot be listed (Unlisted)
};

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console)
      : options_(options),
        files_(files),
        console_(console),
        outputs_(files, console, options.verbose) {}

  int run() {
    const std::vector<Job> jobs = gather();
    const std::vector<const Kind*> stale = out_of_date(jobs);
    for (const Job& job : jobs) {
      if (job.task != Job::Task::Kind) {
        aside(job);
        continue;
      }
      switch (options_.mode) {
        case Mode::Convert:
        case Mode::Check:
          if (options_.update && std::ranges::find(stale, job.kind) == stale.end()) {
            if (options_.verbose) outputs_.info(tr("{1}: up to date")(job.path));
            continue;
          }
          convert(job);
          break;
        case Mode::Dump:
          dump(job.path, job.kind);
          break;
        case Mode::Decompile:
          decompile(job.path, *job.kind);
          break;
        case Mode::Explain:
        case Mode::Names:
        case Mode::Lsp:
          break;
      }
    }
    // Numbers that index the lists of other kinds of the same folder.
    tell(references_.findings());
    outputs_.settle();
    // Nothing is left allocated at the end of a run.
    converters_.release();
    int status = outputs_.failed() ? kExitFailed : kExitOk;
    if (options_.mode == Mode::Check) {
      // TRANSLATORS: {1} is "N files", {2} "N warnings".
      console_.diagnostic(tr("{1} checked, {2}")(tr("{1} file", "{1} files").n(checked_),
                                                 tr("{1} warning", "{1} warnings").n(warnings_)));
    }
    if (warnings_ > 0 && (options_.mode == Mode::Check || options_.strict)) status = kExitFailed;
    console_.finished(outputs_.failures(), told_);
    return status;
  }

 private:
  // Findings about the sources, told in turn unless warnings are not wanted; each counts.
  void tell(const std::vector<std::string>& lines) {
    warnings_ += lines.size();
    if (options_.mode != Mode::Check && options_.quiet) return;
    told_.insert(told_.end(), lines.begin(), lines.end());
    outputs_.in_turn([this, lines] {
      for (const std::string& line : lines)
        console_.diagnostic(line);
    });
  }

  // The whole of a data file; false (told) when it cannot be read.
  bool read_all(const std::string& path, std::vector<unsigned char>& bytes) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return false;
    }
    char block[64 * 1024];
    for (std::size_t n; (n = source.read(block, sizeof block)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(tr("{1}: cannot read: {2}")(path, e));
      return false;
    }
    return true;
  }

  void tell(const std::string& path, const std::vector<DataProblem>& problems) {
    for (const DataProblem& p : problems)
      outputs_.fail(path + ": " + describe(p));
  }

  bool reads_sources() const {
    return options_.mode == Mode::Convert || options_.mode == Mode::Check;
  }

  // The kind a file's name selects in this mode: data files for the dump and the decompiler,
  // sources otherwise.
  const Kind* kind_of(std::string_view path) const {
    const std::string_view base = base_name(path);
    return reads_sources() ? kind_of_source(base) : kind_of_data(base);
  }

  // The files of the run in order: each argument, or the files of a folder in the byte order of
  // their names (and those of its subfolders, depth first, with -r).
  std::vector<Job> gather() {
    std::vector<Job> jobs;
    for (const std::string_view arg : options_.paths) {
      const std::string path(arg);
      if (files_.is_folder(path)) {
        add_folder(path, jobs);
      } else if (is_wildcard(path) && !files_.exists(path)) {
        add_matches(path, jobs);
      } else if (!files_.exists(path) && kind_of(path) == nullptr) {
        // A name that is neither a file nor a folder is a mistake, whatever it is called; a
        // source's own reading tells why it cannot be opened.
        jobs.push_back({path, nullptr, Job::Task::Missing});
      } else {
        add_file(path, jobs, true);
      }
    }
    return jobs;
  }

  // A file named on the command line (`named`) or found in a folder.
  void add_file(const std::string& path, std::vector<Job>& jobs, bool named) {
    const std::string_view base = base_name(path);
    if (const Kind* kind = kind_of(path);
        kind != nullptr || (options_.mode == Mode::Dump && named)) {
      // A data file of a kind no converter knows is still shown, field by field, when it is named.
      jobs.push_back({path, kind});
    } else if (reads_sources() && base == kNamesFile) {
      jobs.push_back({path, nullptr, Job::Task::Names});
    } else if (std::string meant = reads_sources() ? source_name_meant(base) : std::string();
               !meant.empty()) {
      jobs.push_back({path, nullptr, Job::Task::Misnamed, std::move(meant)});
    } else if (named || !reads_sources() || kind_of_data(base) == nullptr) {
      // The outputs beside the sources of a folder are no news.
      jobs.push_back({path, nullptr, Job::Task::Skip});
    }
  }

  // What a file that is not converted, dumped or decompiled gets in its turn.
  void aside(const Job& job) {
    switch (job.task) {
      case Job::Task::Names:
        check_names(job.path);
        break;
      case Job::Task::Skip:
        if (options_.verbose)
          outputs_.info(tr("{1}: skipped (no converter for this name)")(job.path));
        break;
      case Job::Task::Misnamed:
        tell(
            {tr("{1}: warning: no kind of source has this name: did you mean {2}? (names "
                "compare byte for byte, case and all) [name]")(job.path, job.detail)});
        break;
      case Job::Task::Missing:
        outputs_.fail(tr("{1}: cannot open: {2}")(job.path, errno_reason(ENOENT)));
        break;
      case Job::Task::NoMatch:
        outputs_.fail(tr("{1}: no file matches this name")(job.path));
        break;
      case Job::Task::Unlisted:
        outputs_.fail(tr("{1}: cannot list: {2}")(job.path, job.detail));
        break;
      case Job::Task::Kind:
        break;
    }
  }

  void add_folder(const std::string& folder, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> entries;
    if (const Problem p = files_.list(folder, entries); !p.empty()) {
      jobs.push_back({folder, nullptr, Job::Task::Unlisted, p});
      return;
    }
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : entries) {
      const std::string path = joined(folder, e.name);
      if (e.folder) {
        if (options_.recursive) add_folder(path, jobs);
      } else {
        add_file(path, jobs, false);
      }
    }
  }

  // A wildcard on Windows (whose shells leave them to the programs): the files and folders it
  // matches, in the byte order of their names, each as if it had been typed in its place. One
  // that matches nothing fails, naming it.
  void add_matches(const std::string& pattern, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> matches;
    if (const Problem p = files_.find(pattern, matches); !p.empty()) {
      jobs.push_back({pattern, nullptr, Job::Task::Unlisted, p});
      return;
    }
    if (matches.empty()) {
      jobs.push_back({pattern, nullptr, Job::Task::NoMatch});
      return;
    }
    std::ranges::sort(matches, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : matches) {
      const std::string path = std::string(folder_part(pattern)) + e.name;
      if (e.folder) {
        add_folder(path, jobs);
      } else {
        add_file(path, jobs, true);
      }
    }
  }

  // With -u: the kinds of which some source has an output missing or older than itself. A kind
  // is converted whole or not at all, since its files may carry values from one to the next.
  std::vector<const Kind*> out_of_date(const std::vector<Job>& jobs) {
    std::vector<const Kind*> stale;
    if (!options_.update) return stale;
    for (const Job& job : jobs) {
      if (job.kind == nullptr || std::ranges::find(stale, job.kind) != stale.end()) continue;
      if (older(job.path)) stale.push_back(job.kind);
    }
    return stale;
  }

  // Whether the output of the source at `path` is missing or older than the source.
  bool older(const std::string& path) {
    std::int64_t source = 0;
    std::int64_t output = 0;
    return !files_.modified(path, source) || !files_.modified(output_path(path), output) ||
           output < source;
  }

  // The author's names of the folder of `path`, where it has a names file.
  const Names* names_for(const std::string& path) {
    const std::string folder(
        std::string_view(path).substr(0, path.size() - base_name(path).size()));
    auto [at, added] = names_.try_emplace(folder);
    if (added) {
      const std::string file = folder + std::string(kNamesFile);
      FileSource source(file);
      SilentReport quiet;
      if (source.open()) at->second = Names::read(source, quiet);
    }
    return at->second.empty() ? nullptr : &at->second;
  }

  // A names file: what is wrong in it, as for a source.
  void check_names(const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return;
    }
    Diagnostics findings(path, Names::vocabulary());
    Names::read(source, findings);
    if (options_.mode == Mode::Check) ++checked_;
    tell(findings.lines());
  }

  void dump(const std::string& path, const Kind* kind) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const std::string_view base = base_name(path);
    const Names* names = names_for(path);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(kind, base, bytes, problems, names));
    } else {
      problems = dump_text(
          kind, base, bytes, [&](std::string_view line) { console_.info(line); }, names);
    }
    tell(path, problems);
  }

  void decompile(const std::string& path, const Kind& kind) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const Decompiled d = kelv::decompile(kind, base_name(path), bytes);
    tell(path, d.problems);
    outputs_.put(
        path, source_path(path), [&](ByteSink& out) { out.put(d.source.data(), d.source.size()); },
        [this](const std::string& output) { return may_replace(output); });
  }

  void convert(const Job& job) {
    Converter& converter = converters_.of(*job.kind);
    convert_with(converter, job);
    converter.release();
  }

  // Reads the source; converts it, or with --check only tells what it found.
  void convert_with(Converter& converter, const Job& job) {
    const std::string& path = job.path;
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return;
    }
    Diagnostics findings(path, converter.vocabulary(), job.kind->name(), names_for(path));
    const std::optional<Refusal> refused = converter.read(source, findings);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(tr("{1}: cannot read: {2}")(path, e));
      return;
    }
    if (options_.mode == Mode::Check) ++checked_;
    if (refused && options_.mode == Mode::Check) findings.refused(refused->line, refused->why);
    if (!refused) references_.list(path, converter.provided(), findings.count_line());
    references_.refer(path, findings.references());
    // A table so large that writing it takes a while is told before the wait, and so is
    // everything said before it.
    if (findings.urgent() && !options_.quiet) outputs_.settle();
    tell(findings.lines());
    if (options_.mode == Mode::Check) return;
    if (refused) {
      outputs_.fail(tr("{1}: not converted: line {2}: {3}")(path, refused->line, refused->why));
      return;
    }
    // With -u an output older than its source is replaced as make would, without a question
    // (unless -n says never); the other outputs of its kind are asked about as ever.
    const bool out_of_date = options_.update && overwrite_ != Overwrite::Never && older(path);
    outputs_.put(
        path, output_path(path),
        [&](ByteSink& out) {
          DataWriter writer(out);
          converter.write(writer);
        },
        [this, out_of_date](const std::string& output) {
          return out_of_date || may_replace(output);
        });
  }

  bool may_replace(const std::string& output) {
    Answer answer = Answer::CannotAsk;
    switch (overwrite_) {
      case Overwrite::Always:
        return true;
      case Overwrite::Never:
        answer = Answer::No;
        break;
      case Overwrite::Ask:
        // The outputs before are put in place first: a user who stops the run at the question
        // keeps them.
        outputs_.settle();
        answer = console_.ask_overwrite(output);
        // An answer "to all" stands for the rest of the run, as -y or -n would.
        if (answer == Answer::YesToAll) overwrite_ = Overwrite::Always;
        if (answer == Answer::NoToAll) overwrite_ = Overwrite::Never;
        break;
    }
    if (answer == Answer::Yes || answer == Answer::YesToAll) return true;
    if (answer == Answer::CannotAsk) {
      outputs_.fail(
          tr("{1}: exists and was not replaced: the overwrite question could not be asked "
             "(-y replaces existing outputs, -n keeps them)")(output));
    } else if (options_.verbose) {
      outputs_.info(tr("{1}: kept (not replaced)")(output));
    }
    return false;
  }

  const Options& options_;
  FileSystem& files_;
  Console& console_;
  Converters converters_;
  OutputQueue outputs_;
  Overwrite overwrite_ = options_.overwrite;  // -y, -n, or an answer "to all"
  References references_;
  std::map<std::string, Names> names_;  // by folder
  std::vector<std::string> told_;       // the warnings told, for the end of the run
  std::size_t checked_ = 0;             // sources read by --check
  std::size_t warnings_ = 0;            // findings
};

// --explain: each kind named, by its name or a file of it; a folder given before the kinds
// lends them the author's names of its names file, and so does a file's folder.
int explain_kinds(const Options& options, FileSystem& files, Console& console) {
  Names names;
  bool explained = false;
  std::vector<const Kind*> named;  // with --json: the kinds to give, all at once
  const auto load = [&](const std::string& folder) {
    FileSource source(folder + std::string(kNamesFile));
    SilentReport quiet;
    names = source.open() ? Names::read(source, quiet) : Names();
  };
  for (const std::string_view name : options.paths) {
    const std::string path(name);
    if (files.is_folder(path)) {
      load(path.ends_with('/') ? path : path + "/");
      continue;
    }
    const std::string_view base = base_name(path);
    const Kind* kind = kind_named(base);
    if (kind == nullptr) {
      console.error(tr("no kind of source is called '{1}' (kelvconv --explain lists them)")(name));
      return kExitUsage;
    }
    // A source named by its path, also one in the current folder, brings its folder's names.
    if (base.size() != path.size()) {
      load(path.substr(0, path.size() - base.size()));
    } else if (files.exists(path)) {
      load("");
    }
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

}  // namespace

int run(std::span<const char* const> args, FileSystem& files, Console& console) {
  Options options;
  std::string error;
  if (!parse_options(args, options, error)) {
    console.error(error);
    console.error(tr("Try 'kelvconv --help' for more information.")());
    return kExitUsage;
  }
  if (options.help) {
    const std::string text = usage();
    console.info(std::string_view(text).substr(0, text.size() - 1));
    return kExitOk;
  }
  if (options.version) {
    console.info(version());
    return kExitOk;
  }
  if (options.mode == Mode::Explain) return explain_kinds(options, files, console);
  if (options.mode == Mode::Lsp) return serve_editor();
  if (options.mode == Mode::Names) {
    // The sections of the kinds named, or of every kind: a whole names.txt to start from.
    std::vector<const Kind*> kinds;
    for (const std::string_view name : options.paths) {
      kinds.push_back(kind_named(base_name(name)));
      if (kinds.back() == nullptr) {
        console.error(
            tr("no kind of source is called '{1}' (kelvconv --explain lists them)")(name));
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
  if (options.paths.empty()) {
    // Nothing to do, as always; but a word on how it is used, where the user sees it.
    console.usage_hint(
        tr("Usage: kelvconv [OPTION]... FILE|FOLDER...\n"
           "Give it the game's sources, or its data folder, to convert them into the data\n"
           "files the engine loads; 'kelvconv --help' tells more.")());
    return kExitOk;
  }
  return Driver(options, files, console).run();
}

}  // namespace kelv
