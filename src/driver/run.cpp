#include "driver/run.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "driver/options.h"
#include "driver/output_queue.h"
#include "driver/paths.h"
#include "inspect/diagnostics.h"
#include "inspect/explain.h"
#include "inspect/inspect.h"

namespace kelv {
namespace {

// One file of the run and the kind its name selects (nullptr: none).
struct Job {
  std::string path;
  const Kind* kind;
};

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console, Report& report)
      : options_(options),
        files_(files),
        console_(console),
        report_(report),
        outputs_(files, console, options.verbose) {}

  int run() {
    const std::vector<Job> jobs = gather();
    const std::vector<const Kind*> stale = out_of_date(jobs);
    for (const Job& job : jobs) {
      // A data file of a kind no converter knows is still shown, field by field.
      if (job.kind == nullptr && options_.mode != Mode::Dump) {
        if (options_.verbose)
          outputs_.info(tr("{1}: skipped (no converter for this name)")(job.path));
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
          break;
      }
    }
    outputs_.settle();
    // Nothing is left allocated at the end of a run.
    converters_.release();
    int status = outputs_.failed() ? kExitFailed : kExitOk;
    if (options_.mode == Mode::Check) {
      // TRANSLATORS: {1} is "N files", {2} "N warnings".
      console_.diagnostic(tr("{1} checked, {2}")(tr("{1} file", "{1} files").n(checked_),
                                                 tr("{1} warning", "{1} warnings").n(warnings_)));
      if (warnings_ > 0) status = kExitFailed;
    }
    console_.finished(outputs_.failures(), told_);
    return status;
  }

 private:
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

  // The kind a file's name selects in this mode: data files for the dump and the decompiler,
  // sources otherwise.
  const Kind* kind_of(std::string_view path) const {
    const std::string_view base = base_name(path);
    return options_.mode == Mode::Dump || options_.mode == Mode::Decompile ? kind_of_data(base)
                                                                           : kind_of_source(base);
  }

  // The files of the run in order: each argument, or the files of a folder in the byte order of
  // their names (and those of its subfolders, depth first, with -r). Files of a folder whose
  // names select nothing are left out, told with -v.
  std::vector<Job> gather() {
    std::vector<Job> jobs;
    for (const std::string_view arg : options_.paths) {
      const std::string path(arg);
      if (files_.is_folder(path)) {
        add_folder(path, jobs);
      } else if (is_wildcard(path) && !files_.exists(path)) {
        add_matches(path, jobs);
      } else {
        jobs.push_back({path, kind_of(path)});
      }
    }
    return jobs;
  }

  void add_folder(const std::string& folder, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> entries;
    if (const Problem p = files_.list(folder, entries); !p.empty()) {
      outputs_.fail(tr("{1}: cannot list: {2}")(folder, p));
      return;
    }
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : entries) {
      const std::string path = joined(folder, e.name);
      if (e.folder) {
        if (options_.recursive) add_folder(path, jobs);
      } else if (const Kind* kind = kind_of(path)) {
        jobs.push_back({path, kind});
      } else if (options_.verbose) {
        console_.info(tr("{1}: skipped (no converter for this name)")(path));
      }
    }
  }

  // A wildcard on Windows (whose shells leave them to the programs): the files and folders it
  // matches, in the byte order of their names, each as if it had been typed in its place. One
  // that matches nothing fails, naming it.
  void add_matches(const std::string& pattern, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> matches;
    if (const Problem p = files_.find(pattern, matches); !p.empty()) {
      outputs_.fail(tr("{1}: cannot list: {2}")(pattern, p));
      return;
    }
    if (matches.empty()) {
      outputs_.fail(tr("{1}: no file matches this name")(pattern));
      return;
    }
    std::ranges::sort(matches, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : matches) {
      const std::string path = std::string(folder_part(pattern)) + e.name;
      if (e.folder) {
        add_folder(path, jobs);
      } else {
        jobs.push_back({path, kind_of(path)});
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
      std::int64_t source = 0;
      std::int64_t output = 0;
      if (!files_.modified(job.path, source) || !files_.modified(output_path(job.path), output) ||
          output < source) {
        stale.push_back(job.kind);
      }
    }
    return stale;
  }

  void dump(const std::string& path, const Kind* kind) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const std::string_view base = base_name(path);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(kind, base, bytes, problems));
    } else {
      problems = dump_text(kind, base, bytes, [&](std::string_view line) { console_.info(line); });
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
    convert_with(converter, job.path);
    converter.release();
  }

  // Reads the source; converts it, or with --check only tells what it found.
  void convert_with(Converter& converter, const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return;
    }
    const bool speak = options_.warn || options_.mode == Mode::Check;
    Diagnostics findings(path, converter.vocabulary());
    const std::optional<Refusal> refused = converter.read(source, speak ? findings : report_);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(tr("{1}: cannot read: {2}")(path, e));
      return;
    }
    if (options_.mode == Mode::Check) {
      ++checked_;
      if (refused) findings.refused(refused->line, refused->why);
    }
    if (speak) {
      outputs_.in_turn([this, lines = findings.lines()] {
        for (const std::string& line : lines)
          console_.diagnostic(line);
        told_.insert(told_.end(), lines.begin(), lines.end());
      });
      warnings_ += findings.count();
    }
    if (options_.mode == Mode::Check) return;
    if (refused) {
      outputs_.fail(tr("{1}: not converted: line {2}: {3}")(path, refused->line, refused->why));
      return;
    }
    outputs_.put(
        path, output_path(path),
        [&](ByteSink& out) {
          DataWriter writer(out);
          converter.write(writer);
        },
        [this](const std::string& output) { return may_replace(output); });
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
  Report& report_;
  Converters converters_;
  OutputQueue outputs_;
  Overwrite overwrite_ = options_.overwrite;  // -y, -n, or an answer "to all"
  std::size_t checked_ = 0;   // sources read by --check
  std::size_t warnings_ = 0;  // findings told
  std::vector<std::string> told_;  // and their lines, for the end of the run
};

}  // namespace

int run(std::span<const char* const> args, FileSystem& files, Console& console, Report& report) {
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
  if (options.mode == Mode::Explain) {
    if (options.paths.empty()) console.info(kinds());
    for (const std::string_view name : options.paths) {
      const Kind* kind = kind_named(name);
      if (kind == nullptr) {
        console.error(
            tr("no kind of source is called '{1}' (kelvconv --explain lists them)")(name));
        return kExitUsage;
      }
      console.info(explain(*kind));
    }
    return kExitOk;
  }
  return Driver(options, files, console, report).run();
}

}  // namespace kelv
